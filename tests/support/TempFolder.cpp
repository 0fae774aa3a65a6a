#include "TempFolder.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

TempFolder::TempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "halcyra-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::filesystem::filesystem_error(
            "cannot create a temporary folder", pattern,
            std::error_code(errno, std::generic_category()));
    }
    path_ = pattern + "/";
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}
