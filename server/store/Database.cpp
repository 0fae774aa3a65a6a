#include "Database.h"

#include <charconv>

#include "Schema.h"
#include "postgres/PostgresDatabase.h"
#include "sqlite/SqliteDatabase.h"

namespace store {

std::int64_t Value::integer() const {
    switch (kind_) {
        case Kind::Integer: return integer_;
        case Kind::Real: return static_cast<std::int64_t>(real_);
        case Kind::Text: {
            std::int64_t v = 0;
            std::from_chars(text_.data(), text_.data() + text_.size(), v);
            return v;
        }
        case Kind::Null: break;
    }
    return 0;
}

double Value::real() const {
    switch (kind_) {
        case Kind::Integer: return static_cast<double>(integer_);
        case Kind::Real: return real_;
        case Kind::Text: {
            double v = 0;
            std::from_chars(text_.data(), text_.data() + text_.size(), v);
            return v;
        }
        case Kind::Null: break;
    }
    return 0.0;
}

std::string Value::text() const {
    switch (kind_) {
        case Kind::Integer: return std::to_string(integer_);
        case Kind::Real: {
            char buffer[64];
            const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, real_);
            return error == std::errc() ? std::string(buffer, end) : "0";
        }
        case Kind::Text: return text_;
        case Kind::Null: break;
    }
    return "";
}

Transaction::Transaction(Database& database, Mode mode) : connection(database.connection()) {
    connection.begin(mode == Write);
}

Transaction::~Transaction() {
    if (open) {
        try {
            connection.rollback();
        } catch (const DatabaseError&) {
            // The connection reports the failure on its next use.
        }
    }
}

void Transaction::commit() {
    connection.commit();
    open = false;
}

std::unique_ptr<Database> open(const std::string& url) {
    std::unique_ptr<Database> database;
    if (url.starts_with("postgresql://") || url.starts_with("postgres://")) {
        database = std::make_unique<PostgresDatabase>(url);
        migrate(*database);
        return database;
    }
    std::string path = url;
    if (path.starts_with("sqlite://")) {
        path.erase(0, 9);
    } else if (path.starts_with("sqlite:")) {
        path.erase(0, 7);
    }
    if (path.empty()) {
        throw DatabaseError("no database file in '" + url + "'");
    }
    database = std::make_unique<SqliteDatabase>(path);
    migrate(*database);
    return database;
}

}  // namespace store
