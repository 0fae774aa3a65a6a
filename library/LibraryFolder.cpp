#include "LibraryFolder.h"

#include <utility>

#include "Library.h"
#include "ProfileFile.h"
#include "UserLocations.h"

namespace {

constexpr const char* section = "Library";
constexpr const char* folderKey = "Folder";
constexpr std::size_t valueBufferSize = 4096;

}  // namespace

LibraryFolder::LibraryFolder(std::string iniPath) : iniPath(std::move(iniPath)) {}

std::string LibraryFolder::load() const {
    const std::string stored =
        ProfileFile(iniPath).readString(section, folderKey, "", valueBufferSize);
    return stored.empty() ? Library::defaultRoot() : stored;
}

bool LibraryFolder::save(const std::string& folder) const {
    return ProfileFile(iniPath).writeString(section, folderKey, folder);
}

std::string LibraryFolder::userIniPath() {
    return UserLocations::current().settingsFolder() + "Halcyra.ini";
}
