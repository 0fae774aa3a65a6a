#include "FileDigest.h"

#include "Sha256.h"

std::optional<std::string> fileSha256(const std::string& path, std::string& error) {
    return Sha256::ofFile(path, error);
}
