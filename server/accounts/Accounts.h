#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "CustodyLog.h"
#include "Database.h"

enum class Role { Admin, Manager, Viewer };

const char* roleName(Role role);
std::optional<Role> roleNamed(const std::string& name);

// Names of users and device tokens: 1 to 64 of letters, digits and "._@-".
bool isValidName(const std::string& name);
// Depot names: those, or up to 64 characters of any script as well ("東京営業所"): valid
// UTF-8 without control, invisible or direction-changing characters.
bool isValidDepotName(const std::string& name);

struct User {
    std::string name;
    Role role = Role::Viewer;
    std::vector<std::string> depots;  // none: every depot
};

// Who sends a request.
struct Caller {
    enum class Kind { Anonymous, User, Device };
    Kind kind = Kind::Anonymous;
    User user;                 // Kind::User
    std::string deviceName;    // Kind::Device
    std::string deviceDepot;   // Kind::Device
    bool bySession = false;    // came with the session cookie: changes need the CSRF token
    std::string csrf;          // the session's CSRF token
    std::string client;        // the client's address

    // "user:NAME", "token:NAME", "anonymous".
    std::string actor() const;
    // Whether a recording of this depot is the caller's to see.
    bool seesDepot(const std::string& depot) const;
};

class AccountError : public std::runtime_error {
public:
    enum class Kind { Invalid, Exists, Missing };
    explicit AccountError(const std::string& what, Kind kind = Kind::Invalid)
        : std::runtime_error(what), kind(kind) {}
    Kind kind;
};

struct DeviceToken {
    std::string name;
    std::string depot;
    std::int64_t createdMs = 0;
};

// Users, their depots, sessions and device tokens. Passwords and tokens are kept only as
// hashes. Every change is written to the custody log with the change, in one transaction.
class Accounts {
public:
    static constexpr int lockAfterFailures = 5;
    static constexpr std::int64_t lockMs = 60'000;
    static constexpr std::int64_t sessionMs = std::int64_t{12} * 3600 * 1000;

    explicit Accounts(store::Database& database) : database(database) {}

    // Throw AccountError with what is wrong (a name taken, not valid, no such user).
    void addUser(const User& user, const std::string& password, const std::string& actor,
                 const std::string& client);
    void removeUser(const std::string& name, const std::string& actor, const std::string& client);
    void setPassword(const std::string& name, const std::string& password, const std::string& actor,
                     const std::string& client);
    // Sets the role and the depots that are given; the sessions of the user end.
    void changeUser(const std::string& name, std::optional<Role> role,
                    const std::optional<std::vector<std::string>>& depots, const std::string& actor,
                    const std::string& client);
    std::vector<User> users();
    std::optional<User> user(const std::string& name);

    // A new device token for uploads into `depot`; the token itself is returned once.
    std::string addDeviceToken(const std::string& name, const std::string& depot,
                               const std::string& actor, const std::string& client);

    void removeDeviceToken(const std::string& name, const std::string& actor, const std::string& client);
    std::vector<DeviceToken> deviceTokens();

    struct Login {
        enum class Outcome { Ok, Wrong, Locked };
        Outcome outcome = Outcome::Wrong;
        User user;
        std::string token;  // the session cookie's value
        std::string csrf;
    };
    // Five wrong passwords for one name, known or not, lock it for a minute. The attempt
    // and its outcome go into the custody log.
    Login login(const std::string& name, const std::string& password, const std::string& client);
    void logout(const std::string& token, const Caller& caller);

    std::optional<Caller> bySession(const std::string& token);
    // The same, answered from memory within a second of asking the database: for frames and
    // thumbnails, which a player asks for many times a second. A sign-out, or a user's
    // password, role, depots or removal changed through this server, forgets at once; changed
    // through another server on the same database, a session may read frames a second longer.
    std::optional<Caller> bySessionRecently(const std::string& token);
    std::optional<Caller> byDeviceToken(const std::string& token);

private:
    std::vector<std::string> depotsOf(store::Connection& c, const std::string& name);
    void forgetSessions();

    store::Database& database;

    struct Remembered {
        Caller caller;
        std::chrono::steady_clock::time_point asked;
    };
    std::mutex rememberedLock;
    std::unordered_map<std::string, Remembered> remembered;  // by the token's hash
};
