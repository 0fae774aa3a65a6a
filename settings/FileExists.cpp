#include "FileExists.h"

#include <filesystem>
#include <system_error>

#include "FileOps.h"

bool fileExists(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    std::error_code error;
    const auto status = std::filesystem::symlink_status(fileOps::fsPath(path), error);
    return !error && status.type() != std::filesystem::file_type::not_found;
}
