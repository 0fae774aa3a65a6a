#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include "Database.h"

namespace store {

// SQLite in WAL mode, a connection per thread (SQLite serialises writers through its file
// lock; BEGIN IMMEDIATE takes it up front and busy_timeout waits for it).
class SqliteDatabase final : public Database {
public:
    explicit SqliteDatabase(std::string path);
    ~SqliteDatabase() override;
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;
    SqliteDatabase(SqliteDatabase&&) = delete;
    SqliteDatabase& operator=(SqliteDatabase&&) = delete;

    Connection& connection() override;
    std::string backend() const override { return "sqlite"; }
    std::string check() override;

private:
    std::string path;
    std::mutex mutex;
    std::unordered_map<std::thread::id, std::unique_ptr<Connection>> connections;
};

}  // namespace store
