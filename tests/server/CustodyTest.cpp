// The custody chain: it holds as written, and a change, removal or insertion made in the
// database behind the server's back is found and named by `audit verify`.
#include <sstream>

#include <sqlite3.h>

#include "CustodyLog.h"
#include "ServerCli.h"
#include "ServerFixture.h"

namespace {

class Custody : public ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        CustodyLog log(*database);
        for (int i = 1; i <= 6; ++i) {
            log.append("user:mara", "10.0.0.7", i % 2 == 0 ? "view" : "edit", std::string(64, 'a'),
                       "{\"n\":" + std::to_string(i) + "}");
        }
        database.reset();  // as another process would see the file
    }

    // Runs `halcyra-server audit verify`; its exit status, and its output in `said`.
    int verify(std::string& said) {
        const std::vector<std::string> args = {"audit", "verify", "--database", databaseUrl};
        std::istringstream in;
        std::ostringstream out;
        std::ostringstream err;
        const int status = runServerCli(args, in, out, err);
        said = out.str() + err.str();
        return status;
    }

    // An edit made straight in the database, as anyone with its file or its password could.
    void tamper(const std::string& sql) {
        if (databaseUrl.starts_with("sqlite:")) {
            sqlite3* db = nullptr;
            ASSERT_EQ(sqlite3_open(folder.file("server.sqlite").c_str(), &db), SQLITE_OK);
            char* message = nullptr;
            EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK) << message;
            sqlite3_free(message);
            sqlite3_close(db);
        } else {
            store::open(databaseUrl)->connection().executeScript(sql);
        }
    }
};

}  // namespace

TEST_F(Custody, TheChainHoldsAsWrittenAndAnEditedEntryIsNamed) {
    std::string said;
    EXPECT_EQ(verify(said), 0) << said;
    EXPECT_NE(said.find("holds: 6 entries"), std::string::npos) << said;

    tamper("UPDATE custody SET actor = 'user:someone-else' WHERE seq = 4");
    EXPECT_EQ(verify(said), 1);
    EXPECT_NE(said.find("breaks at entry 4"), std::string::npos) << said;
}

TEST_F(Custody, ARemovedEntryIsNamed) {
    tamper("DELETE FROM custody WHERE seq = 3");
    std::string said;
    EXPECT_EQ(verify(said), 1);
    EXPECT_NE(said.find("entry 3 is missing before entry 4"), std::string::npos) << said;
}

TEST_F(Custody, AnEntryRewrittenWithItsOwnHashStillBreaksTheNext) {
    // Someone who recomputes the changed entry's hash leaves the next entry pointing at the old.
    tamper("UPDATE custody SET details = '{\"n\":99}' WHERE seq = 2");
    {
        auto database = store::open(databaseUrl);
        auto rows = database->connection().query(
            "SELECT seq, time_ms, actor, client, action, recording, details, prev_hash FROM custody "
            "WHERE seq = 2");
        CustodyEntry e;
        e.seq = rows[0][0].integer();
        e.timeMs = rows[0][1].integer();
        e.actor = rows[0][2].text();
        e.client = rows[0][3].text();
        e.action = rows[0][4].text();
        e.recording = rows[0][5].text();
        e.details = rows[0][6].text();
        e.prevHash = rows[0][7].text();
        database->connection().execute("UPDATE custody SET hash = $1 WHERE seq = 2", {CustodyLog::hashOf(e)});
    }
    std::string said;
    EXPECT_EQ(verify(said), 1);
    EXPECT_NE(said.find("breaks at entry 3"), std::string::npos) << said;
}
