#pragma once

#include <optional>
#include <string>

#include "ServerLink.h"

// Where this user's window sends the library's recordings: the address and the certificate
// authority's file in the [Server] section of Halcyra.ini, the device token in a file of its
// own that only the user may read (mode 0600; on Windows the rights of the user's profile):
// beside the per-user Halcyra.ini, and in the user's configuration folder, not the program
// folder, when Halcyra.ini is the program folder's (a portable copy).
struct ServerSettings {
    std::string address;  // "" when no server is set
    std::string token;
    std::string caFile;

    // What `iniPath` and the token file beside it hold; a missing file is an empty value.
    static ServerSettings load(const std::string& iniPath);
    // Writes both, each replaced whole; the token file goes when the token is empty.
    bool save(const std::string& iniPath, std::string& error) const;
    // The token file that belongs to `iniPath`.
    static std::string tokenPath(const std::string& iniPath);

    bool isSet() const { return !address.empty(); }
    std::optional<ServerLink> link(std::string& error) const;
};
