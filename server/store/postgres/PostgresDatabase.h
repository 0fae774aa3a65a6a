#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include "Database.h"

namespace store {

// PostgreSQL through libpqxx, for several instances serving one fleet from one database. A
// connection per thread (a pqxx connection is not shared between threads); a connection
// that broke is opened again on the next statement. Writing transactions take one advisory
// lock, so writers are serialised across instances as SQLite's BEGIN IMMEDIATE does.
class PostgresDatabase final : public Database {
public:
    explicit PostgresDatabase(std::string url);
    ~PostgresDatabase() override;
    PostgresDatabase(const PostgresDatabase&) = delete;
    PostgresDatabase& operator=(const PostgresDatabase&) = delete;
    PostgresDatabase(PostgresDatabase&&) = delete;
    PostgresDatabase& operator=(PostgresDatabase&&) = delete;

    Connection& connection() override;
    std::string backend() const override { return "postgresql"; }
    std::string check() override;

private:
    std::string url;
    std::mutex mutex;
    std::unordered_map<std::thread::id, std::unique_ptr<Connection>> connections;
};

}  // namespace store
