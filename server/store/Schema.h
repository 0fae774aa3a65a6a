#pragma once

namespace store {

class Database;

// The schema's version this program writes.
constexpr int schemaVersion = 3;

// Brings the database's schema up to schemaVersion, one step a transaction. Throws
// DatabaseError, also for a database newer than this program.
void migrate(Database& database);

}  // namespace store
