#include "Schema.h"

#include <array>
#include <string>

#include "Database.h"

namespace store {
namespace {

// Each step takes the schema from its index to the next version. The SQL is read alike by
// SQLite and PostgreSQL. Never edit a step once released: add one.
constexpr std::array steps = {
    R"SQL(
CREATE TABLE users (
  name TEXT PRIMARY KEY,
  role TEXT NOT NULL CHECK (role IN ('admin', 'manager', 'viewer')),
  password_hash TEXT NOT NULL,
  created_ms BIGINT NOT NULL
);
CREATE TABLE user_depots (
  user_name TEXT NOT NULL REFERENCES users(name) ON DELETE CASCADE,
  depot TEXT NOT NULL,
  PRIMARY KEY (user_name, depot)
);
CREATE TABLE sessions (
  token_hash TEXT PRIMARY KEY,
  user_name TEXT NOT NULL REFERENCES users(name) ON DELETE CASCADE,
  csrf TEXT NOT NULL,
  expires_ms BIGINT NOT NULL
);
CREATE TABLE device_tokens (
  token_hash TEXT PRIMARY KEY,
  name TEXT NOT NULL UNIQUE,
  depot TEXT NOT NULL,
  created_ms BIGINT NOT NULL
);
CREATE TABLE login_failures (
  name TEXT PRIMARY KEY,
  failures INTEGER NOT NULL,
  last_ms BIGINT NOT NULL
);
CREATE TABLE recordings (
  sha256 TEXT PRIMARY KEY,
  folder TEXT NOT NULL,
  stored_name TEXT NOT NULL,
  file_name TEXT NOT NULL,
  size BIGINT NOT NULL,
  capture_date TEXT NOT NULL,
  sort_key TEXT NOT NULL,
  frames BIGINT NOT NULL,
  first_time TEXT NOT NULL,
  last_time TEXT NOT NULL,
  complete INTEGER NOT NULL,
  imported_at TEXT NOT NULL,
  depot TEXT NOT NULL DEFAULT '',
  vehicle TEXT NOT NULL DEFAULT '',
  driver TEXT NOT NULL DEFAULT '',
  note TEXT NOT NULL DEFAULT '',
  status TEXT NOT NULL DEFAULT 'new',
  status_reason TEXT NOT NULL DEFAULT ''
);
CREATE INDEX recordings_newest ON recordings (sort_key DESC, sha256 DESC);
CREATE INDEX recordings_depot ON recordings (depot, sort_key DESC, sha256 DESC);
CREATE TABLE recording_tags (
  sha256 TEXT NOT NULL REFERENCES recordings(sha256) ON DELETE CASCADE,
  tag TEXT NOT NULL,
  PRIMARY KEY (sha256, tag)
);
CREATE TABLE custody (
  seq BIGINT PRIMARY KEY,
  time_ms BIGINT NOT NULL,
  actor TEXT NOT NULL,
  client TEXT NOT NULL,
  action TEXT NOT NULL,
  recording TEXT NOT NULL,
  details TEXT NOT NULL,
  prev_hash TEXT NOT NULL,
  hash TEXT NOT NULL
);
CREATE INDEX custody_recording ON custody (recording, seq);
)SQL",
    // 2: comments on a recording, numbered per recording.
    R"SQL(
CREATE TABLE comments (
  sha256 TEXT NOT NULL REFERENCES recordings(sha256) ON DELETE CASCADE,
  seq BIGINT NOT NULL,
  time_ms BIGINT NOT NULL,
  author TEXT NOT NULL,
  text TEXT NOT NULL,
  PRIMARY KEY (sha256, seq)
);
)SQL",
    // 3: the recorder's clock offset beside the review fields; share links, the browsers they
    // were unlocked in (by password) and their wrong passwords.
    R"SQL(
ALTER TABLE recordings ADD COLUMN clock_offset DOUBLE PRECISION NOT NULL DEFAULT 0;
CREATE TABLE shares (
  id TEXT PRIMARY KEY,
  token_hash TEXT NOT NULL UNIQUE,
  sha256 TEXT NOT NULL REFERENCES recordings(sha256) ON DELETE CASCADE,
  created_ms BIGINT NOT NULL,
  created_by TEXT NOT NULL,
  expires_ms BIGINT NOT NULL,
  download INTEGER NOT NULL,
  password_hash TEXT NOT NULL DEFAULT '',
  revoked_ms BIGINT
);
CREATE INDEX shares_recording ON shares (sha256, created_ms);
CREATE TABLE share_unlocks (
  key_hash TEXT PRIMARY KEY,
  share_id TEXT NOT NULL REFERENCES shares(id) ON DELETE CASCADE,
  expires_ms BIGINT NOT NULL
);
CREATE TABLE share_failures (
  share_id TEXT PRIMARY KEY REFERENCES shares(id) ON DELETE CASCADE,
  failures INTEGER NOT NULL,
  last_ms BIGINT NOT NULL
);
)SQL",
};
static_assert(steps.size() == schemaVersion);

}  // namespace

void migrate(Database& database) {
    {
        Transaction t(database, Transaction::Write);
        t->execute("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
        if (t->query("SELECT version FROM schema_version").empty()) {
            t->execute("INSERT INTO schema_version (version) VALUES (0)");
        }
        t.commit();
    }
    for (;;) {
        Transaction t(database, Transaction::Write);
        const int version = static_cast<int>(t->query("SELECT version FROM schema_version")[0][0].integer());
        if (version > schemaVersion) {
            throw DatabaseError("the database's schema is version " + std::to_string(version) +
                                ", newer than this halcyra-server's " +
                                std::to_string(schemaVersion));
        }
        if (version == schemaVersion) {
            return;
        }
        t->executeScript(steps[static_cast<std::size_t>(version)]);
        t->execute("UPDATE schema_version SET version = $1", {version + 1});
        t.commit();
    }
}

}  // namespace store
