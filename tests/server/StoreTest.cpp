// The schema at start: an older database is brought up to date with its rows kept, a newer
// one is refused rather than written in a form it does not know.
#include "Schema.h"
#include "ServerFixture.h"

namespace {

class Store : public ServerFixture {};

}  // namespace

TEST_F(Store, AnOlderDatabaseIsMigratedAndKeepsItsRows) {
    database->connection().execute(
        "INSERT INTO users (name, role, password_hash, created_ms) VALUES ('ana', 'admin', 'x', 1)");
    // The database as version 1 left it.
    database->connection().executeScript(
        "DROP TABLE share_failures; DROP TABLE share_unlocks; DROP TABLE shares; "
        "ALTER TABLE recordings DROP COLUMN clock_offset; DROP TABLE comments; "
        "UPDATE schema_version SET version = 1;");
    database.reset();

    database = store::open(databaseUrl);
    auto& c = database->connection();
    EXPECT_EQ(c.query("SELECT version FROM schema_version")[0][0].integer(), store::schemaVersion);
    EXPECT_EQ(c.query("SELECT COUNT(*) FROM comments")[0][0].integer(), 0);
    EXPECT_EQ(c.query("SELECT COUNT(*) FROM shares")[0][0].integer(), 0);
    EXPECT_EQ(c.query("SELECT COUNT(clock_offset) FROM recordings")[0][0].integer(), 0);
    EXPECT_EQ(c.query("SELECT name FROM users")[0][0].text(), "ana");
}

TEST_F(Store, ANewerDatabaseIsRefused) {
    database->connection().execute("UPDATE schema_version SET version = 99");
    database.reset();
    try {
        store::open(databaseUrl);
        FAIL() << "a database of schema 99 was opened";
    } catch (const store::DatabaseError& error) {
        EXPECT_NE(std::string(error.what()).find("newer"), std::string::npos) << error.what();
    }
}
