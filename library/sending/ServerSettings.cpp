#include "ServerSettings.h"

#include "FileOps.h"
#include "ProfileFile.h"
#include "UserLocations.h"

namespace {

constexpr const char* section = "Server";
constexpr const char* addressKey = "Address";
constexpr const char* caFileKey = "CaFile";
constexpr std::size_t valueBufferSize = 4096;
constexpr std::size_t tokenFileLimit = 4096;
constexpr unsigned ownerOnly = 0600;

}  // namespace

std::string ServerSettings::tokenPath(const std::string& iniPath) {
    const std::size_t slash = iniPath.find_last_of("/\\");
    const std::string folder = slash == std::string::npos ? std::string() : iniPath.substr(0, slash + 1);
    const UserLocations user = UserLocations::current();
    return (user.isProgramFolder(folder) ? user.privateFolder() : folder) + "server-token.txt";
}

ServerSettings ServerSettings::load(const std::string& iniPath) {
    const ProfileFile profile(iniPath);
    ServerSettings settings;
    settings.address = profile.readString(section, addressKey, "", valueBufferSize);
    settings.caFile = profile.readString(section, caFileKey, "", valueBufferSize);
    const fileOps::FileContents contents = fileOps::readSmallFile(tokenPath(iniPath), tokenFileLimit);
    if (!contents.error) {
        settings.token = contents.bytes;
        while (!settings.token.empty() &&
               (settings.token.back() == '\n' || settings.token.back() == '\r' || settings.token.back() == ' ')) {
            settings.token.pop_back();
        }
    }
    return settings;
}

bool ServerSettings::save(const std::string& iniPath, std::string& error) const {
    const std::string tokenFile = tokenPath(iniPath);
    const std::error_code tokenError = token.empty()
                                           ? fileOps::removeFile(tokenFile)
                                           : fileOps::replaceFile(tokenFile, token + "\n", ownerOnly);
    if (tokenError) {
        error = tokenFile + ": " + tokenError.message();
        return false;
    }
    const ProfileFile profile(iniPath);
    if (!profile.writeString(section, addressKey, address) ||
        !profile.writeString(section, caFileKey, caFile)) {
        error = iniPath + ": cannot be written";
        return false;
    }
    return true;
}

std::optional<ServerLink> ServerSettings::link(std::string& error) const {
    if (!isSet()) {
        error = "no server is set";
        return std::nullopt;
    }
    return ServerLink::withToken(address, token, caFile, error);
}
