#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The server's database, behind an interface of our own so that SQLite (sqlite/) and a
// shared PostgreSQL can stand side by side. Statements are written once for both: parameters
// as $1..$n, UPSERT and RETURNING as both read them.
namespace store {

// What went wrong with the database, with the statement's words in it. The HTTP side answers
// it with 503.
class DatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One parameter or column value.
class Value {
public:
    enum class Kind { Null, Integer, Real, Text };

    Value() = default;
    Value(std::nullptr_t) {}
    Value(int v) : kind_(Kind::Integer), integer_(v) {}
    Value(long v) : kind_(Kind::Integer), integer_(v) {}
    Value(long long v) : kind_(Kind::Integer), integer_(v) {}
    Value(unsigned long v) : kind_(Kind::Integer), integer_(static_cast<std::int64_t>(v)) {}
    Value(bool v) : kind_(Kind::Integer), integer_(v ? 1 : 0) {}
    Value(double v) : kind_(Kind::Real), real_(v) {}
    Value(std::string v) : kind_(Kind::Text), text_(std::move(v)) {}
    Value(std::string_view v) : kind_(Kind::Text), text_(v) {}
    Value(const char* v) : kind_(Kind::Text), text_(v) {}

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }
    std::int64_t integer() const;
    double real() const;
    // Text as stored; a number as its decimal text; "" for NULL.
    std::string text() const;

private:
    Kind kind_ = Kind::Null;
    std::int64_t integer_ = 0;
    double real_ = 0.0;
    std::string text_;
};

using Row = std::vector<Value>;
using Params = std::initializer_list<Value>;

// One connection; used by one thread at a time.
class Connection {
public:
    virtual ~Connection() = default;
    // Rows of a statement that returns some (SELECT, ... RETURNING).
    virtual std::vector<Row> query(std::string_view sql, const std::vector<Value>& params) = 0;
    // A statement without rows; the number of rows it changed.
    virtual std::int64_t execute(std::string_view sql, const std::vector<Value>& params) = 0;
    // Several statements without parameters (the schema's steps).
    virtual void executeScript(std::string_view sql) = 0;

    // Writing transactions take the database's write lock at once, so two writers never
    // deadlock half-way and appends to the custody log are serialised across processes.
    virtual void begin(bool write) = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;

    std::vector<Row> query(std::string_view sql, Params params = {}) {
        return query(sql, std::vector<Value>(params));
    }
    std::int64_t execute(std::string_view sql, Params params = {}) {
        return execute(sql, std::vector<Value>(params));
    }
    std::optional<Row> queryOne(std::string_view sql, Params params = {}) {
        auto rows = query(sql, std::vector<Value>(params));
        if (rows.empty()) {
            return std::nullopt;
        }
        return std::move(rows.front());
    }
};

class Database {
public:
    virtual ~Database() = default;
    // The calling thread's own connection, opened on first use.
    virtual Connection& connection() = 0;
    // "sqlite" or "postgresql".
    virtual std::string backend() const = 0;
    // A short check that the database answers; "" when it does, else why not.
    virtual std::string check() = 0;
};

// A transaction on the calling thread's connection, rolled back unless committed.
class Transaction {
public:
    enum Mode { Read, Write };
    Transaction(Database& database, Mode mode);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    Connection& operator*() { return connection; }
    Connection* operator->() { return &connection; }
    void commit();

private:
    Connection& connection;
    bool open = true;
};

// Opens the database a URL names: "sqlite:PATH", a plain PATH, or "postgresql://...". Brings
// its schema up to date. Throws DatabaseError.
std::unique_ptr<Database> open(const std::string& url);

}  // namespace store
