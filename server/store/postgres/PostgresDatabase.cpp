#include "PostgresDatabase.h"

#include <optional>

#include <pqxx/pqxx>

namespace store {
namespace {

// The advisory lock every writing transaction holds until it ends.
constexpr long long writeLock = 0x48616c6379;  // "Halcy"

// PostgreSQL's type numbers of the integer columns.
constexpr pqxx::oid int8Type = 20;
constexpr pqxx::oid int2Type = 21;
constexpr pqxx::oid int4Type = 23;
constexpr pqxx::oid float8Type = 701;

// The URL without its password, for messages.
std::string shown(const std::string& url) {
    const auto scheme = url.find("://");
    const auto at = url.find('@');
    if (scheme == std::string::npos || at == std::string::npos) {
        return url;
    }
    const auto colon = url.find(':', scheme + 3);
    if (colon == std::string::npos || colon > at) {
        return url;
    }
    return url.substr(0, colon) + ":***" + url.substr(at);
}

class PostgresConnection final : public Connection {
public:
    explicit PostgresConnection(std::string url) : url(std::move(url)) { open(); }

    std::vector<Row> query(std::string_view sql, const std::vector<Value>& params) override {
        const pqxx::result result = run(sql, params);
        std::vector<Row> rows;
        rows.reserve(result.size());
        for (const auto& r : result) {
            Row row;
            row.reserve(r.size());
            for (pqxx::row::size_type c = 0; c < r.size(); ++c) {
                const pqxx::field field = r[c];
                if (field.is_null()) {
                    row.emplace_back();
                    continue;
                }
                const pqxx::oid type = result.column_type(c);
                if (type == int8Type || type == int4Type || type == int2Type) {
                    row.emplace_back(field.as<long long>());
                } else if (type == float8Type) {
                    row.emplace_back(field.as<double>());
                } else {
                    row.emplace_back(std::string(field.c_str(), field.size()));
                }
            }
            rows.push_back(std::move(row));
        }
        return rows;
    }

    std::int64_t execute(std::string_view sql, const std::vector<Value>& params) override {
        return static_cast<std::int64_t>(run(sql, params).affected_rows());
    }

    // Several statements go through the simple protocol, which takes no parameters.
    void executeScript(std::string_view sql) override {
        guarded([&] {
            const std::string script(sql);
            if (work) {
                work->exec(script);
            } else {
                pqxx::nontransaction once(connectionOrOpen());
                once.exec(script);
            }
        });
    }

    void begin(bool write) override {
        guarded([&] {
            work.emplace(connectionOrOpen());
            if (write) {
                work->exec_params("SELECT pg_advisory_xact_lock($1)", writeLock);
            }
        });
    }

    void commit() override {
        guarded([&] {
            if (work) {
                work->commit();
                work.reset();
            }
        });
    }

    void rollback() override {
        if (work) {
            try {
                work->abort();
            } catch (const std::exception&) {
                // A broken connection has rolled it back already.
            }
            work.reset();
        }
    }

private:
    void open() {
        guarded([&] { db = std::make_unique<pqxx::connection>(url); });
    }

    pqxx::connection& connectionOrOpen() {
        if (!db || !db->is_open()) {
            work.reset();
            db = std::make_unique<pqxx::connection>(url);
        }
        return *db;
    }

    template <typename F>
    auto guarded(F&& f) -> decltype(f()) {
        try {
            return f();
        } catch (const pqxx::broken_connection& error) {
            work.reset();
            db.reset();  // opened again on the next statement
            throw DatabaseError("database " + shown(url) + " unreachable: " + error.what());
        } catch (const pqxx::sql_error& error) {
            throw DatabaseError(std::string("database: ") + error.what());
        } catch (const pqxx::failure& error) {
            throw DatabaseError(std::string("database: ") + error.what());
        }
    }

    pqxx::result run(std::string_view sql, const std::vector<Value>& params) {
        std::vector<std::optional<std::string>> texts;
        texts.reserve(params.size());
        for (const Value& value : params) {
            texts.push_back(value.isNull() ? std::nullopt : std::optional(value.text()));
        }
        return guarded([&] {
            const std::string statement(sql);
            if (work) {
                return work->exec_params(statement, pqxx::prepare::make_dynamic_params(texts));
            }
            pqxx::nontransaction once(connectionOrOpen());
            return once.exec_params(statement, pqxx::prepare::make_dynamic_params(texts));
        });
    }

    std::string url;
    std::unique_ptr<pqxx::connection> db;
    std::optional<pqxx::work> work;
};

}  // namespace

PostgresDatabase::PostgresDatabase(std::string address) : url(std::move(address)) {
    connection();  // fails here, at start, when the database cannot be reached
}

PostgresDatabase::~PostgresDatabase() = default;

Connection& PostgresDatabase::connection() {
    const std::lock_guard lock(mutex);
    auto& slot = connections[std::this_thread::get_id()];
    if (!slot) {
        slot = std::make_unique<PostgresConnection>(url);
    }
    return *slot;
}

std::string PostgresDatabase::check() {
    try {
        connection().query("SELECT 1", std::vector<Value>{});
        return "";
    } catch (const DatabaseError& error) {
        return error.what();
    }
}

}  // namespace store
