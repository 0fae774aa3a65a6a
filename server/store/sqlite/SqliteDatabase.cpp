#include "SqliteDatabase.h"

#include <sqlite3.h>

#include <unordered_map>

namespace store {
namespace {

constexpr int busyTimeoutMs = 10000;
// Statements kept compiled per connection. The statements are a fixed set of texts, the list's
// filters making a few hundred at most; past this all are dropped and compiled again as used.
constexpr std::size_t keptStatements = 256;

class SqliteConnection final : public Connection {
public:
    explicit SqliteConnection(const std::string& path) {
        const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
        if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
            const std::string why = db != nullptr ? sqlite3_errmsg(db) : "out of memory";
            sqlite3_close(db);
            db = nullptr;
            throw DatabaseError("cannot open the database " + path + ": " + why);
        }
        sqlite3_busy_timeout(db, busyTimeoutMs);
        sqlite3_extended_result_codes(db, 1);
        executeScript("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON;");
    }
    ~SqliteConnection() override {
        forgetStatements();
        sqlite3_close(db);
    }
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    std::vector<Row> query(std::string_view sql, const std::vector<Value>& params) override {
        std::vector<Row> rows;
        run(sql, params, &rows);
        return rows;
    }

    std::int64_t execute(std::string_view sql, const std::vector<Value>& params) override {
        run(sql, params, nullptr);
        return sqlite3_changes64(db);
    }

    void executeScript(std::string_view sql) override {
        char* message = nullptr;
        const std::string text(sql);
        if (sqlite3_exec(db, text.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            const std::string why = message != nullptr ? message : sqlite3_errmsg(db);
            sqlite3_free(message);
            throw DatabaseError("database: " + why);
        }
    }

    void begin(bool write) override { executeScript(write ? "BEGIN IMMEDIATE" : "BEGIN"); }
    void commit() override { executeScript("COMMIT"); }
    void rollback() override {
        if (sqlite3_get_autocommit(db) == 0) {
            executeScript("ROLLBACK");
        }
    }

private:
    // Leaves the statement ready for its next use, whatever happened in this one.
    class Reset {
    public:
        explicit Reset(sqlite3_stmt* statement) : statement(statement) {}
        ~Reset() {
            sqlite3_reset(statement);
            sqlite3_clear_bindings(statement);
        }
        Reset(const Reset&) = delete;
        Reset& operator=(const Reset&) = delete;

    private:
        sqlite3_stmt* statement;
    };

    [[noreturn]] void fail(std::string_view sql) {
        throw DatabaseError("database: " + std::string(sqlite3_errmsg(db)) + " in: " +
                            std::string(sql.substr(0, 80)));
    }

    void forgetStatements() {
        for (auto& [text, statement] : statements) {
            sqlite3_finalize(statement);
        }
        statements.clear();
    }

    // The compiled statement of `sql`, compiled on its first use.
    sqlite3_stmt* prepared(std::string_view sql) {
        std::string text(sql);
        if (const auto known = statements.find(text); known != statements.end()) {
            return known->second;
        }
        if (statements.size() >= keptStatements) {
            forgetStatements();
        }
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                               &statement, nullptr) != SQLITE_OK ||
            statement == nullptr) {
            sqlite3_finalize(statement);
            fail(sql);
        }
        statements.emplace(std::move(text), statement);
        return statement;
    }

    void run(std::string_view sql, const std::vector<Value>& params, std::vector<Row>* rows) {
        sqlite3_stmt* statement = prepared(sql);
        const Reset afterwards(statement);
        // SQLite numbers $N parameters by first appearance: bind each by its name.
        for (std::size_t i = 0; i < params.size(); ++i) {
            const std::string name = "$" + std::to_string(i + 1);
            const int index = sqlite3_bind_parameter_index(statement, name.c_str());
            if (index == 0) {
                continue;
            }
            const Value& value = params[i];
            int bound = SQLITE_OK;
            switch (value.kind()) {
                case Value::Kind::Null: bound = sqlite3_bind_null(statement, index); break;
                case Value::Kind::Integer:
                    bound = sqlite3_bind_int64(statement, index, value.integer());
                    break;
                case Value::Kind::Real: bound = sqlite3_bind_double(statement, index, value.real()); break;
                case Value::Kind::Text: {
                    const std::string text = value.text();
                    bound = sqlite3_bind_text64(statement, index, text.data(), text.size(),
                                                SQLITE_TRANSIENT, SQLITE_UTF8);
                    break;
                }
            }
            if (bound != SQLITE_OK) {
                fail(sql);
            }
        }
        for (;;) {
            const int step = sqlite3_step(statement);
            if (step == SQLITE_DONE) {
                break;
            }
            if (step != SQLITE_ROW) {
                fail(sql);
            }
            if (rows == nullptr) {
                continue;
            }
            Row row;
            const int columns = sqlite3_column_count(statement);
            row.reserve(static_cast<std::size_t>(columns));
            for (int c = 0; c < columns; ++c) {
                switch (sqlite3_column_type(statement, c)) {
                    case SQLITE_NULL: row.emplace_back(); break;
                    case SQLITE_INTEGER:
                        row.emplace_back(static_cast<long long>(sqlite3_column_int64(statement, c)));
                        break;
                    case SQLITE_FLOAT: row.emplace_back(sqlite3_column_double(statement, c)); break;
                    default: {
                        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
                        const int size = sqlite3_column_bytes(statement, c);
                        row.emplace_back(std::string(text != nullptr ? text : "",
                                                     static_cast<std::size_t>(size)));
                    }
                }
            }
            rows->push_back(std::move(row));
        }
    }

    sqlite3* db = nullptr;
    std::unordered_map<std::string, sqlite3_stmt*> statements;
};

}  // namespace

SqliteDatabase::SqliteDatabase(std::string file) : path(std::move(file)) {
    connection();  // fails here, at start, when the file cannot be opened
}

SqliteDatabase::~SqliteDatabase() = default;

Connection& SqliteDatabase::connection() {
    const std::lock_guard lock(mutex);
    auto& slot = connections[std::this_thread::get_id()];
    if (!slot) {
        slot = std::make_unique<SqliteConnection>(path);
    }
    return *slot;
}

std::string SqliteDatabase::check() {
    try {
        connection().query("SELECT 1");
        return "";
    } catch (const DatabaseError& error) {
        return error.what();
    }
}

}  // namespace store
