#include "Api.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>

#include <nlohmann/json.hpp>

#include "ApiAnswers.h"

using apiAnswers::answer;
using apiAnswers::fail;
using apiAnswers::readJson;
using apiAnswers::requestActor;
using apiAnswers::sessionCookie;
using nlohmann::json;

// The accounts: signing in and out, users and device tokens.

void Api::login(Exchange& x) {
    json body;
    if (!readJson(x, body)) {
        return;
    }
    if (body.size() != 2 || !body.contains("user") || !body.contains("password") ||
        !body["user"].is_string() || !body["password"].is_string()) {
        fail(x.res, 400, "the body is {\"user\": NAME, \"password\": PASSWORD}");
        return;
    }
    const auto login = accounts.login(body["user"].get<std::string>(), body["password"].get<std::string>(),
                                      x.req.remote_addr);
    switch (login.outcome) {
        case Accounts::Login::Outcome::Locked:
            x.res.set_header("Retry-After", "60");
            fail(x.res, 429, "too many wrong passwords for this name: try again in a minute");
            return;
        case Accounts::Login::Outcome::Wrong:
            fail(x.res, 401, "wrong user name or password");
            return;
        case Accounts::Login::Outcome::Ok: break;
    }
    requestActor = "user:" + login.user.name;
    x.res.set_header("Set-Cookie", std::string(sessionCookie) + "=" + login.token +
                                       "; Path=/; HttpOnly; SameSite=Strict" + (tls() ? "; Secure" : ""));
    answer(x.res, 200, json{{"user", login.user.name}, {"role", roleName(login.user.role)},
                            {"depots", login.user.depots}, {"csrf", login.csrf}});
}

void Api::logout(Exchange& x) {
    if (!x.caller.bySession) {
        fail(x.res, 400, "no session to end");
        return;
    }
    accounts.logout(x.sessionToken, x.caller);
    x.res.set_header("Set-Cookie", std::string(sessionCookie) +
                                       "=; Path=/; HttpOnly; SameSite=Strict; Max-Age=0");
    answer(x.res, 200, json{{"status", "signed out"}});
}

namespace {

json userJson(const User& user) {
    return json{{"user", user.name}, {"role", roleName(user.role)}, {"depots", user.depots}};
}

// The depots of a user's body: an array of names. False when it is something else.
bool readDepots(const json& value, std::vector<std::string>& depots) {
    if (!value.is_array()) {
        return false;
    }
    for (const json& depot : value) {
        if (!depot.is_string()) {
            return false;
        }
        depots.push_back(depot.get<std::string>());
    }
    return true;
}

// True when every key of `body` is among `allowed`; else answers 400 naming the one that is not.
bool onlyKeys(Api::Exchange& x, const json& body, std::initializer_list<std::string_view> allowed) {
    for (const auto& [key, value] : body.items()) {
        if (std::find(allowed.begin(), allowed.end(), key) == allowed.end()) {
            fail(x.res, 400, "unknown field '" + key + "'");
            return false;
        }
    }
    return true;
}

}  // namespace

void Api::listUsers(Exchange& x) {
    json users = json::array();
    for (const User& user : accounts.users()) {
        users.push_back(userJson(user));
    }
    answer(x.res, 200, json{{"users", users}});
}

void Api::addUser(Exchange& x) {
    json body;
    if (!readJson(x, body) || !onlyKeys(x, body, {"user", "password", "role", "depots"})) {
        return;
    }
    User user;
    if (!body.contains("user") || !body["user"].is_string() || !body.contains("password") ||
        !body["password"].is_string() || !body.contains("role") || !body["role"].is_string() ||
        !roleNamed(body["role"].get<std::string>()) ||
        (body.contains("depots") && !readDepots(body["depots"], user.depots))) {
        fail(x.res, 400, "the body is {\"user\", \"password\", \"role\": admin|manager|viewer, \"depots\": [...]}");
        return;
    }
    user.name = body["user"].get<std::string>();
    user.role = *roleNamed(body["role"].get<std::string>());
    accounts.addUser(user, body["password"].get<std::string>(), x.caller.actor(), x.caller.client);
    answer(x.res, 201, userJson(user));
}

void Api::changeUser(Exchange& x) {
    json body;
    if (!readJson(x, body) || !onlyKeys(x, body, {"role", "depots", "password"})) {
        return;
    }
    std::optional<Role> role;
    std::optional<std::vector<std::string>> depots;
    if (body.contains("role")) {
        role = body["role"].is_string() ? roleNamed(body["role"].get<std::string>()) : std::nullopt;
        if (!role) {
            fail(x.res, 400, "role is admin, manager or viewer");
            return;
        }
    }
    if (body.contains("depots") && !readDepots(body["depots"], depots.emplace())) {
        fail(x.res, 400, "depots is an array of depot names");
        return;
    }
    if (body.contains("password") && !body["password"].is_string()) {
        fail(x.res, 400, "password is a string");
        return;
    }
    const std::string& name = x.params[0];
    if (role || depots) {
        accounts.changeUser(name, role, depots, x.caller.actor(), x.caller.client);
    }
    if (body.contains("password")) {
        accounts.setPassword(name, body["password"].get<std::string>(), x.caller.actor(), x.caller.client);
    }
    const auto user = accounts.user(name);
    if (!user) {
        fail(x.res, 404, "there is no user " + name);
        return;
    }
    answer(x.res, 200, userJson(*user));
}

void Api::removeUser(Exchange& x) {
    accounts.removeUser(x.params[0], x.caller.actor(), x.caller.client);
    answer(x.res, 200, json{{"removed", x.params[0]}});
}

void Api::listTokens(Exchange& x) {
    json tokens = json::array();
    for (const DeviceToken& token : accounts.deviceTokens()) {
        tokens.push_back(json{{"name", token.name}, {"depot", token.depot}, {"createdMs", token.createdMs}});
    }
    answer(x.res, 200, json{{"tokens", tokens}});
}

void Api::addToken(Exchange& x) {
    json body;
    if (!readJson(x, body) || !onlyKeys(x, body, {"name", "depot"})) {
        return;
    }
    if (!body.contains("name") || !body["name"].is_string() || !body.contains("depot") ||
        !body["depot"].is_string()) {
        fail(x.res, 400, "the body is {\"name\", \"depot\"}");
        return;
    }
    const std::string name = body["name"].get<std::string>();
    const std::string depot = body["depot"].get<std::string>();
    const std::string token = accounts.addDeviceToken(name, depot, x.caller.actor(), x.caller.client);
    // The only time the token is shown.
    answer(x.res, 201, json{{"name", name}, {"depot", depot}, {"token", token}});
}

void Api::removeToken(Exchange& x) {
    accounts.removeDeviceToken(x.params[0], x.caller.actor(), x.caller.client);
    answer(x.res, 200, json{{"removed", x.params[0]}});
}
