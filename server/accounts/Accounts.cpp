#include "Accounts.h"

#include <algorithm>
#include <chrono>

#include <nlohmann/json.hpp>

#include "Secrets.h"

namespace {

std::int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string details(const nlohmann::json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

const char* roleName(Role role) {
    switch (role) {
        case Role::Admin: return "admin";
        case Role::Manager: return "manager";
        case Role::Viewer: return "viewer";
    }
    return "viewer";
}

std::optional<Role> roleNamed(const std::string& name) {
    for (const Role role : {Role::Admin, Role::Manager, Role::Viewer}) {
        if (name == roleName(role)) {
            return role;
        }
    }
    return std::nullopt;
}

bool isValidName(const std::string& name) {
    if (name.empty() || name.size() > 64) {
        return false;
    }
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '.' || c == '_' || c == '@' || c == '-';
    });
}

bool isValidDepotName(const std::string& name) {
    if (name.empty() || name.size() > std::size_t{4} * 64) {
        return false;
    }
    std::size_t characters = 0;
    for (std::size_t i = 0; i < name.size(); ++characters) {
        const auto lead = static_cast<unsigned char>(name[i]);
        if (lead < 0x80) {
            if (!isValidName(std::string(1, static_cast<char>(lead)))) {
                return false;
            }
            ++i;
            continue;
        }
        const std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                                   : lead >= 0xF0 && lead <= 0xF4                               ? 4
                                                                                                : 0;
        if (length == 0 || name.size() - i < length) {
            return false;
        }
        char32_t code = lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(name[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        const bool invisible = (code >= 0x80 && code <= 0x9F) || code == 0xAD || code == 0xFEFF ||
                               (code >= 0x200B && code <= 0x200F) || (code >= 0x2028 && code <= 0x202E) ||
                               (code >= 0x2060 && code <= 0x206F);
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) || invisible) {
            return false;
        }
        i += length;
    }
    return characters <= 64;
}

std::string Caller::actor() const {
    switch (kind) {
        case Kind::User: return "user:" + user.name;
        case Kind::Device: return "token:" + deviceName;
        case Kind::Anonymous: break;
    }
    return "anonymous";
}

bool Caller::seesDepot(const std::string& depot) const {
    if (kind != Kind::User) {
        return false;
    }
    return user.role == Role::Admin || user.depots.empty() ||
           std::find(user.depots.begin(), user.depots.end(), depot) != user.depots.end();
}

std::vector<std::string> Accounts::depotsOf(store::Connection& c, const std::string& name) {
    std::vector<std::string> depots;
    for (const auto& row :
         c.query("SELECT depot FROM user_depots WHERE user_name = $1 ORDER BY depot", {name})) {
        depots.push_back(row[0].text());
    }
    return depots;
}

void Accounts::addUser(const User& user, const std::string& password, const std::string& actor,
                       const std::string& client) {
    if (!isValidName(user.name)) {
        throw AccountError("'" + user.name +
                           "' is not a user name: 1 to 64 letters, digits and . _ @ -");
    }
    for (const std::string& depot : user.depots) {
        if (!isValidDepotName(depot)) {
            throw AccountError("'" + depot + "' is not a depot name: 1 to 64 letters (any script), digits and . _ @ -");
        }
    }
    if (password.empty()) {
        throw AccountError("the password is empty");
    }
    const std::string hash = secrets::hashPassword(password);
    store::Transaction t(database, store::Transaction::Write);
    if (t->queryOne("SELECT 1 FROM users WHERE name = $1", {user.name})) {
        throw AccountError("there is already a user " + user.name, AccountError::Kind::Exists);
    }
    t->execute("INSERT INTO users (name, role, password_hash, created_ms) VALUES ($1, $2, $3, $4)",
               {user.name, roleName(user.role), hash, nowMs()});
    for (const std::string& depot : user.depots) {
        t->execute("INSERT INTO user_depots (user_name, depot) VALUES ($1, $2) ON CONFLICT DO NOTHING",
                   {user.name, depot});
    }
    CustodyLog::append(*t, actor, client, "user_added", "",
                       details({{"user", user.name}, {"role", roleName(user.role)}, {"depots", user.depots}}));
    t.commit();
}

void Accounts::removeUser(const std::string& name, const std::string& actor,
                          const std::string& client) {
    store::Transaction t(database, store::Transaction::Write);
    if (t->execute("DELETE FROM users WHERE name = $1", {name}) == 0) {
        throw AccountError("there is no user " + name, AccountError::Kind::Missing);
    }
    CustodyLog::append(*t, actor, client, "user_removed", "", details({{"user", name}}));
    t.commit();
    forgetSessions();
}

void Accounts::setPassword(const std::string& name, const std::string& password,
                           const std::string& actor, const std::string& client) {
    if (password.empty()) {
        throw AccountError("the password is empty");
    }
    const std::string hash = secrets::hashPassword(password);
    store::Transaction t(database, store::Transaction::Write);
    if (t->execute("UPDATE users SET password_hash = $2 WHERE name = $1", {name, hash}) == 0) {
        throw AccountError("there is no user " + name, AccountError::Kind::Missing);
    }
    // A new password ends the sessions opened with the old one.
    t->execute("DELETE FROM sessions WHERE user_name = $1", {name});
    CustodyLog::append(*t, actor, client, "password_changed", "", details({{"user", name}}));
    t.commit();
    forgetSessions();
}

void Accounts::changeUser(const std::string& name, std::optional<Role> role,
                          const std::optional<std::vector<std::string>>& depots,
                          const std::string& actor, const std::string& client) {
    if (depots) {
        for (const std::string& depot : *depots) {
            if (!isValidDepotName(depot)) {
                throw AccountError("'" + depot + "' is not a depot name: 1 to 64 letters (any script), digits and . _ @ -");
            }
        }
    }
    store::Transaction t(database, store::Transaction::Write);
    if (!t->queryOne("SELECT 1 FROM users WHERE name = $1", {name})) {
        throw AccountError("there is no user " + name, AccountError::Kind::Missing);
    }
    nlohmann::json change{{"user", name}};
    if (role) {
        t->execute("UPDATE users SET role = $2 WHERE name = $1", {name, roleName(*role)});
        change["role"] = roleName(*role);
    }
    if (depots) {
        t->execute("DELETE FROM user_depots WHERE user_name = $1", {name});
        for (const std::string& depot : *depots) {
            t->execute("INSERT INTO user_depots (user_name, depot) VALUES ($1, $2) ON CONFLICT DO NOTHING",
                       {name, depot});
        }
        change["depots"] = *depots;
    }
    // What the user may do changed: they sign in again.
    t->execute("DELETE FROM sessions WHERE user_name = $1", {name});
    CustodyLog::append(*t, actor, client, "user_changed", "", details(change));
    t.commit();
    forgetSessions();
}

void Accounts::removeDeviceToken(const std::string& name, const std::string& actor,
                                 const std::string& client) {
    store::Transaction t(database, store::Transaction::Write);
    if (t->execute("DELETE FROM device_tokens WHERE name = $1", {name}) == 0) {
        throw AccountError("there is no token " + name, AccountError::Kind::Missing);
    }
    CustodyLog::append(*t, actor, client, "token_removed", "", details({{"token", name}}));
    t.commit();
}

std::vector<DeviceToken> Accounts::deviceTokens() {
    std::vector<DeviceToken> tokens;
    for (const auto& row :
         database.connection().query("SELECT name, depot, created_ms FROM device_tokens ORDER BY name")) {
        tokens.push_back(DeviceToken{row[0].text(), row[1].text(), row[2].integer()});
    }
    return tokens;
}

std::vector<User> Accounts::users() {
    store::Transaction t(database, store::Transaction::Read);
    std::vector<User> users;
    for (const auto& row : t->query("SELECT name, role FROM users ORDER BY name")) {
        User user;
        user.name = row[0].text();
        user.role = roleNamed(row[1].text()).value_or(Role::Viewer);
        user.depots = depotsOf(*t, user.name);
        users.push_back(std::move(user));
    }
    return users;
}

std::optional<User> Accounts::user(const std::string& name) {
    auto& c = database.connection();
    const auto row = c.queryOne("SELECT name, role FROM users WHERE name = $1", {name});
    if (!row) {
        return std::nullopt;
    }
    User user;
    user.name = (*row)[0].text();
    user.role = roleNamed((*row)[1].text()).value_or(Role::Viewer);
    user.depots = depotsOf(c, user.name);
    return user;
}

std::string Accounts::addDeviceToken(const std::string& name, const std::string& depot,
                                     const std::string& actor, const std::string& client) {
    if (!isValidName(name) || !isValidDepotName(depot)) {
        throw AccountError("a token's name is 1 to 64 letters, digits and . _ @ -, its depot's "
                           "name the same in any script");
    }
    std::string token = secrets::newToken();
    store::Transaction t(database, store::Transaction::Write);
    if (t->queryOne("SELECT 1 FROM device_tokens WHERE name = $1", {name})) {
        throw AccountError("there is already a token " + name, AccountError::Kind::Exists);
    }
    t->execute("INSERT INTO device_tokens (token_hash, name, depot, created_ms) VALUES ($1, $2, $3, $4)",
               {secrets::tokenHash(token), name, depot, nowMs()});
    CustodyLog::append(*t, actor, client, "token_added", "", details({{"token", name}, {"depot", depot}}));
    t.commit();
    return token;
}

Accounts::Login Accounts::login(const std::string& name, const std::string& password,
                                const std::string& client) {
    Login result;
    const std::int64_t now = nowMs();
    // The lock is kept per name asked for, whether or not it has an account, so the answer
    // does not tell which names exist.
    const std::string lockKey = name.substr(0, 128);
    {
        auto& c = database.connection();
        const auto failures =
            c.queryOne("SELECT failures, last_ms FROM login_failures WHERE name = $1", {lockKey});
        if (failures && (*failures)[0].integer() >= lockAfterFailures &&
            now - (*failures)[1].integer() < lockMs) {
            result.outcome = Login::Outcome::Locked;
            CustodyLog(database).append("user:" + lockKey, client, "login_refused", "",
                                        details({{"reason", "locked"}}));
            return result;
        }
    }
    std::string hash;
    std::optional<User> found = isValidName(name) ? user(name) : std::nullopt;
    if (found) {
        const auto row = database.connection().queryOne(
            "SELECT password_hash FROM users WHERE name = $1", {name});
        hash = row ? (*row)[0].text() : "";
    }
    const bool ok = !hash.empty() ? secrets::verifyPassword(hash, password)
                                  : (secrets::spendVerification(password), false);

    store::Transaction t(database, store::Transaction::Write);
    if (!ok) {
        const auto failures =
            t->queryOne("SELECT failures, last_ms FROM login_failures WHERE name = $1", {lockKey});
        // A lock that has run out starts the count afresh.
        const bool lapsed = failures && (*failures)[0].integer() >= lockAfterFailures;
        const std::int64_t count = failures && !lapsed ? (*failures)[0].integer() + 1 : 1;
        t->execute("INSERT INTO login_failures (name, failures, last_ms) VALUES ($1, $2, $3) "
                   "ON CONFLICT (name) DO UPDATE SET failures = $2, last_ms = $3",
                   {lockKey, count, now});
        CustodyLog::append(*t, "user:" + lockKey, client, "login_failed", "",
                           details({{"failures", count}}));
        t.commit();
        result.outcome = Login::Outcome::Wrong;
        return result;
    }
    t->execute("DELETE FROM login_failures WHERE name = $1", {lockKey});
    t->execute("DELETE FROM sessions WHERE expires_ms < $1", {now});
    result.outcome = Login::Outcome::Ok;
    result.user = *found;
    result.token = secrets::newToken();
    result.csrf = secrets::newToken();
    t->execute("INSERT INTO sessions (token_hash, user_name, csrf, expires_ms) VALUES ($1, $2, $3, $4)",
               {secrets::tokenHash(result.token), name, result.csrf, now + sessionMs});
    CustodyLog::append(*t, "user:" + name, client, "login", "", "{}");
    t.commit();
    return result;
}

void Accounts::logout(const std::string& token, const Caller& caller) {
    store::Transaction t(database, store::Transaction::Write);
    t->execute("DELETE FROM sessions WHERE token_hash = $1", {secrets::tokenHash(token)});
    CustodyLog::append(*t, caller.actor(), caller.client, "logout", "", "{}");
    t.commit();
    forgetSessions();
}

std::optional<Caller> Accounts::bySession(const std::string& token) {
    // Every request asks this: one query brings the user and their depots, a row per depot.
    const auto rows = database.connection().query(
        "SELECT s.user_name, s.csrf, u.role, d.depot FROM sessions s JOIN users u ON u.name = s.user_name "
        "LEFT JOIN user_depots d ON d.user_name = s.user_name "
        "WHERE s.token_hash = $1 AND s.expires_ms > $2 ORDER BY d.depot",
        {secrets::tokenHash(token), nowMs()});
    if (rows.empty()) {
        return std::nullopt;
    }
    Caller caller;
    caller.kind = Caller::Kind::User;
    caller.user.name = rows[0][0].text();
    caller.csrf = rows[0][1].text();
    caller.user.role = roleNamed(rows[0][2].text()).value_or(Role::Viewer);
    for (const auto& row : rows) {
        if (!row[3].isNull()) {
            caller.user.depots.push_back(row[3].text());
        }
    }
    caller.bySession = true;
    return caller;
}

std::optional<Caller> Accounts::bySessionRecently(const std::string& token) {
    constexpr auto fresh = std::chrono::seconds(1);
    constexpr std::size_t mostKept = 10000;
    const std::string key = secrets::tokenHash(token);
    const auto now = std::chrono::steady_clock::now();
    {
        const std::lock_guard guard(rememberedLock);
        const auto known = remembered.find(key);
        if (known != remembered.end() && now - known->second.asked < fresh) {
            return known->second.caller;
        }
    }
    auto caller = bySession(token);
    const std::lock_guard guard(rememberedLock);
    if (remembered.size() >= mostKept) {
        remembered.clear();
    }
    if (caller) {
        remembered[key] = {*caller, now};
    } else {
        remembered.erase(key);
    }
    return caller;
}

void Accounts::forgetSessions() {
    const std::lock_guard guard(rememberedLock);
    remembered.clear();
}

std::optional<Caller> Accounts::byDeviceToken(const std::string& token) {
    const auto row = database.connection().queryOne(
        "SELECT name, depot FROM device_tokens WHERE token_hash = $1", {secrets::tokenHash(token)});
    if (!row) {
        return std::nullopt;
    }
    Caller caller;
    caller.kind = Caller::Kind::Device;
    caller.deviceName = (*row)[0].text();
    caller.deviceDepot = (*row)[1].text();
    return caller;
}
