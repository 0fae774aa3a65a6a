#pragma once

#include <string>

// The library folder the user chose, kept in the [Library] section of Halcyra.ini beside
// [Config] and [View], which it never touches. The window and halcyra-cli share it.
class LibraryFolder {
public:
    explicit LibraryFolder(std::string iniPath);

    // The folder stored, or Library::defaultRoot() when none is.
    std::string load() const;
    // False when Halcyra.ini could not be written; the old file is then as it was.
    bool save(const std::string& folder) const;

    // Halcyra.ini where this user's window keeps it.
    static std::string userIniPath();

private:
    std::string iniPath;
};
