#pragma once

#include <istream>
#include <ostream>
#include <span>
#include <string>

// halcyra-server's commands: serve, user, token, import, reindex, audit. Returns the exit
// status: 0 done, 1 failed (said on `err`), 2 usage error.
int runServerCli(std::span<const std::string> args, std::istream& in, std::ostream& out,
                 std::ostream& err);
