#include "ServerCli.h"

#include <atomic>
#include <csignal>
#include <filesystem>
#include <map>
#include <optional>
#include <thread>
#include <vector>

#include <pthread.h>

#include <nlohmann/json.hpp>

#include "Accounts.h"
#include "Api.h"
#include "CustodyLog.h"
#include "Database.h"
#include "OffscreenSession.h"
#include "Importer.h"
#include "MediaService.h"
#include "ProfileFile.h"
#include "RecordingIndex.h"
#include "RecordingService.h"
#include "Secrets.h"

namespace {

constexpr const char* usage =
    "usage: halcyra-server COMMAND [--library DIR] [--database URL] [--config FILE]\n\n"
    "  serve [--listen HOST:PORT] [--max-upload MB] [--tls-cert FILE --tls-key FILE]\n"
    "                                     serves the JSON API (127.0.0.1:8080; HTTPS only with TLS)\n"
    "  user add NAME --role admin|manager|viewer [--depot NAME]...   password from stdin\n"
    "  user list | user remove NAME | user password NAME   (the new password from stdin)\n"
    "  token add NAME --depot NAME        a device token for uploads, printed once\n"
    "  import SOURCE... [--depot NAME]    recordings, folders of them or a desktop library\n"
    "  reindex                            rebuilds the index from the library's folders\n"
    "  audit verify                       checks the custody log's chain: exit 0 when it holds\n\n"
    "The library is DIR; the database URL is sqlite:FILE (by default DIR/.halcyra-server.sqlite).\n"
    "--config FILE reads library, database, listen, max-upload, tls-cert and tls-key from its\n"
    "[server] section; options on the command line come first.\n"
    "Exit status: 0 done, 1 failed, 2 usage error.\n";

constexpr const char* consoleActor = "console";

struct Options {
    std::vector<std::string> words;
    std::optional<std::string> library;
    std::optional<std::string> database;
    std::optional<std::string> listen;
    std::optional<std::string> maxUpload;
    std::optional<std::string> role;
    std::optional<std::string> config;
    std::optional<std::string> tlsCert;
    std::optional<std::string> tlsKey;
    std::vector<std::string> depots;
};

// False for an option it does not know or one without its value.
bool parse(std::span<const std::string> args, Options& o, std::string& problem) {
    const std::map<std::string, std::optional<std::string>*> single = {
        {"--library", &o.library}, {"--database", &o.database}, {"--listen", &o.listen},
        {"--max-upload", &o.maxUpload}, {"--role", &o.role}, {"--config", &o.config},
        {"--tls-cert", &o.tlsCert}, {"--tls-key", &o.tlsKey}};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!arg.starts_with("--")) {
            o.words.push_back(arg);
            continue;
        }
        if (i + 1 == args.size() || args[i + 1].empty()) {
            problem = arg + " needs a value";
            return false;
        }
        const std::string& value = args[++i];
        if (arg == "--depot") {
            o.depots.push_back(value);
        } else if (const auto found = single.find(arg); found != single.end()) {
            if (*found->second) {
                problem = arg + " is given twice";
                return false;
            }
            *found->second = value;
        } else {
            problem = "unknown option " + arg;
            return false;
        }
    }
    return true;
}

// Takes library, database, listen and max-upload from the [server] section of the --config
// file where the command line did not give them. False when the file cannot be read.
bool readConfig(Options& o, std::string& problem) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(*o.config, error)) {
        problem = "cannot read the configuration file " + *o.config;
        return false;
    }
    const ProfileFile file(*o.config);
    constexpr std::size_t valueRoom = 4096;
    for (const auto& [key, option] :
         {std::pair{"library", &o.library}, std::pair{"database", &o.database},
          std::pair{"listen", &o.listen}, std::pair{"max-upload", &o.maxUpload},
          std::pair{"tls-cert", &o.tlsCert}, std::pair{"tls-key", &o.tlsKey}}) {
        const std::string value = file.readString("server", key, "", valueRoom);
        if (!*option && !value.empty()) {
            *option = value;
        }
    }
    return true;
}

std::string readPassword(std::istream& in) {
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    return line;
}

int usageError(std::ostream& err, const std::string& problem) {
    err << "halcyra-server: " << problem << "\n\n" << usage;
    return 2;
}

std::string databaseUrl(const Options& o) {
    if (o.database) {
        return *o.database;
    }
    return "sqlite:" + std::filesystem::absolute(*o.library).string() + "/.halcyra-server.sqlite";
}

// Splits "HOST:PORT"; false when it is not of that form.
bool listenAddress(const std::string& text, std::string& host, int& port) {
    const auto colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) {
        return false;
    }
    host = text.substr(0, colon);
    const std::string digits = text.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    port = std::stoi(digits);
    return port <= 65535;
}

// What is wrong with the command's words and options, "" when nothing is.
std::string usageProblem(const Options& o) {
    const std::string& command = o.words[0];
    if (command == "serve") {
        if (o.tlsCert.has_value() != o.tlsKey.has_value()) {
            return "--tls-cert and --tls-key go together";
        }
        std::string host;
        int port = 0;
        if (o.listen && !listenAddress(*o.listen, host, port)) {
            return "--listen is HOST:PORT, for example 127.0.0.1:8080";
        }
        if (o.maxUpload) {
            const std::string& mb = *o.maxUpload;
            if (mb.empty() || mb.size() > 7 || mb.find_first_not_of("0123456789") != std::string::npos ||
                std::stoull(mb) == 0) {
                return "--max-upload is a number of megabytes above 0";
            }
        }
    } else if (command == "user") {
        const std::string& what = o.words[1];
        if (what == "list") {
            return o.words.size() == 2 ? "" : "user list takes no NAME";
        }
        if (what != "add" && what != "remove" && what != "password") {
            return "user add, list, remove or password";
        }
        if (o.words.size() != 3) {
            return "user " + what + " takes one NAME";
        }
        if (what == "add" && (!o.role || !roleNamed(*o.role))) {
            return "user add needs --role admin, manager or viewer";
        }
    } else if (command == "token") {
        if (o.depots.size() != 1) {
            return "token add needs one --depot";
        }
    } else if (command == "import") {
        if (o.words.size() < 2) {
            return "import needs at least one SOURCE";
        }
        if (o.depots.size() > 1 || (o.depots.size() == 1 && !isValidDepotName(o.depots[0]))) {
            return "import takes one valid --depot";
        }
        for (std::size_t i = 1; i < o.words.size(); ++i) {
            std::error_code error;
            if (!std::filesystem::exists(o.words[i], error)) {
                return o.words[i] + ": no such file or folder";
            }
        }
    }
    return "";
}

int serve(const Options& o, store::Database& database, std::ostream& err) {
    std::string host = "127.0.0.1";
    int port = 8080;
    if (o.listen) {
        listenAddress(*o.listen, host, port);  // checked with the usage
    }
    Api::Options options;
    if (o.maxUpload) {
        options.maxUpload = std::stoull(*o.maxUpload) << 20;
    }
    const Library library(*o.library);
    std::string problem;
    if (!library.ensureRoot(problem)) {
        err << "halcyra-server: " << problem << "\n";
        return 1;
    }
    // SIGTERM and SIGINT are taken by a thread of their own, which stops the server; the
    // requests in flight finish first.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    // The share copies and packages draw; the application lives on this thread.
    const OffscreenSession drawing("halcyra-server");
    options.tlsCert = o.tlsCert.value_or("");
    options.tlsKey = o.tlsKey.value_or("");
    Api api(database, library, options);
    if (!api.valid()) {
        err << "halcyra-server: cannot use the TLS certificate " << options.tlsCert << " with the key "
            << options.tlsKey << "\n";
        return 1;
    }
    const int bound = api.bind(host, port);
    if (bound < 0) {
        err << "halcyra-server: cannot listen on " << host << ":" << port << "\n";
        return 1;
    }
    std::atomic<bool> stopped{false};
    std::thread watcher([&api, &stopped, stopSignals] {
        constexpr timespec wait{0, 200'000'000};
        while (!stopped) {
            if (sigtimedwait(&stopSignals, nullptr, &wait) > 0) {
                api.stop();
                return;
            }
        }
    });
    err << "halcyra-server: serving " << library.root() << " on " << (api.tls() ? "https" : "http")
        << "://" << host << ":" << bound
        << "/ (" << database.backend() << ")\n";
    const bool ran = api.run();
    stopped = true;
    watcher.join();
    err << "halcyra-server: stopped\n";
    return ran ? 0 : 1;
}

int userCommand(const Options& o, Accounts& accounts, std::istream& in, std::ostream& out) {
    const auto& w = o.words;
    if (w.size() == 2 && w[1] == "list") {
        for (const User& user : accounts.users()) {
            out << nlohmann::json{{"user", user.name}, {"role", roleName(user.role)}, {"depots", user.depots}}.dump()
                << "\n";
        }
        return 0;
    }
    const std::string& name = w[2];
    if (w[1] == "add") {
        User user{name, *roleNamed(*o.role), o.depots};
        accounts.addUser(user, readPassword(in), consoleActor, "");
        out << "added " << roleName(user.role) << " " << name << "\n";
        return 0;
    }
    if (w[1] == "remove") {
        accounts.removeUser(name, consoleActor, "");
        out << "removed " << name << "\n";
        return 0;
    }
    accounts.setPassword(name, readPassword(in), consoleActor, "");  // "password", by the usage check
    out << "changed the password of " << name << "\n";
    return 0;
}

int importCommand(const Options& o, store::Database& database, std::ostream& out, std::ostream& err) {
    const std::string depot = o.depots.empty() ? "" : o.depots[0];
    const std::vector<std::string> sources(o.words.begin() + 1, o.words.end());
    const Library library(*o.library);
    std::string problem;
    if (!library.ensureRoot(problem)) {
        err << "halcyra-server: " << problem << "\n";
        return 1;
    }
    Importer importer(library);
    const MediaService media(library);
    bool failed = false;
    importer.setResultHandler([&](const ImportResult& result) {
        const std::string name = std::filesystem::path(result.source).filename().string();
        if (result.status == ImportResult::Status::Skipped &&
            (name == "recording.json" || name.starts_with('.'))) {
            return;  // a desktop library's own files, not recordings
        }
        nlohmann::json line{{"source", result.source}, {"status", statusText(result.status)}};
        if (!result.sha256.empty()) {
            line["sha256"] = result.sha256;
        }
        if (!result.reason.empty()) {
            line["reason"] = result.reason;
        }
        if (result.status == ImportResult::Status::Imported || result.status == ImportResult::Status::Present) {
            auto entry = Library::readFolder(std::filesystem::path(result.path).parent_path().string());
            // From a desktop library, the user's fields come along.
            const auto from = Library::entryOf(result.source);
            if (entry && from && result.status == ImportResult::Status::Imported) {
                entry->vehicle = from->vehicle;
                entry->driver = from->driver;
                entry->note = from->note;
                entry->clockOffset = from->clockOffset;
                std::string error;
                if (!library.saveUserFields(*entry, error)) {
                    line["warning"] = "the vehicle, driver and note were not carried over: " + error;
                }
            }
            if (entry) {
                store::Transaction t(database, store::Transaction::Write);
                recordingIndex::put(*t, library.root(), *entry, depot);
                if (result.status == ImportResult::Status::Imported) {
                    CustodyLog::append(*t, consoleActor, "", "import", entry->sha256,
                                       nlohmann::json{{"source", result.source}, {"depot", depot}}.dump(
                                           -1, ' ', false, nlohmann::json::error_handler_t::replace));
                }
                t.commit();
                if (result.status == ImportResult::Status::Imported) {
                    media.thumbnail(entry->sha256, entry->path);  // ready for the list's first view
                }
            }
        } else if (result.status != ImportResult::Status::Skipped) {
            failed = true;
        }
        out << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    });
    importer.importSources(sources);
    return failed ? 1 : 0;
}

}  // namespace

int runServerCli(std::span<const std::string> args, std::istream& in, std::ostream& out,
                 std::ostream& err) {
    Options o;
    std::string problem;
    if (!parse(args, o, problem) || (o.config && !readConfig(o, problem))) {
        return usageError(err, problem);
    }
    if (o.words.empty() || o.words[0] == "help") {
        (o.words.empty() ? err : out) << usage;
        return o.words.empty() ? 2 : 0;
    }
    const std::string& command = o.words[0];
    const bool needsLibrary = command == "serve" || command == "import" || command == "reindex";
    if (!o.library && (needsLibrary || !o.database)) {
        return usageError(err, command + " needs --library DIR");
    }
    const bool known = (command == "serve" && o.words.size() == 1) || command == "user" ||
                       (command == "token" && o.words.size() == 3 && o.words[1] == "add") ||
                       command == "import" || (command == "reindex" && o.words.size() == 1) ||
                       (command == "audit" && o.words.size() == 2 && o.words[1] == "verify");
    if (!known || (command == "user" && o.words.size() < 2)) {
        return usageError(err, "unknown command: " + command);
    }
    // Every usage error is found before the library or the database is touched.
    if (const std::string wrong = usageProblem(o); !wrong.empty()) {
        return usageError(err, wrong);
    }
    if (!secrets::init()) {
        err << "halcyra-server: libsodium cannot start\n";
        return 1;
    }
    try {
        std::error_code ignored;
        if (o.library && !o.database) {
            std::filesystem::create_directories(*o.library, ignored);
        }
        const auto database = store::open(databaseUrl(o));
        Accounts accounts(*database);
        if (command == "serve") {
            return serve(o, *database, err);
        }
        if (command == "user") {
            return userCommand(o, accounts, in, out);
        }
        if (command == "token") {
            out << accounts.addDeviceToken(o.words[2], o.depots[0], consoleActor, "") << "\n";
            return 0;
        }
        if (command == "import") {
            return importCommand(o, *database, out, err);
        }
        if (command == "reindex") {
            RecordingService service(*database, Library(*o.library));
            out << "indexed " << service.reindex(consoleActor) << " recordings\n";
            return 0;
        }
        const CustodyLog::Verdict verdict = CustodyLog(*database).verify();
        if (verdict.holds) {
            out << "the custody chain holds: " << verdict.entries << " entries\n";
            return 0;
        }
        out << "the custody chain breaks at entry " << verdict.firstBad << ": " << verdict.why << "\n";
        return 1;
    } catch (const AccountError& error) {
        err << "halcyra-server: " << error.what() << "\n";
        return 1;
    } catch (const std::exception& error) {
        err << "halcyra-server: " << error.what() << "\n";
        return 1;
    }
}
