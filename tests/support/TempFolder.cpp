#include "TempFolder.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <system_error>

namespace {

#ifdef _WIN32
// Windows has no mkdtemp: a fresh random name, created only if nothing has it yet.
std::string makeFolder(const std::filesystem::path& base) {
    std::random_device seed;
    std::mt19937 random(seed());
    std::error_code error;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path folder =
            base / ("halcyra-test-" + std::to_string(random() % 1000000000U));
        if (std::filesystem::create_directory(folder, error)) {
            const std::u8string name = folder.generic_u8string();
            return {name.begin(), name.end()};
        }
    }
    throw std::filesystem::filesystem_error("cannot create a temporary folder", base, error);
}
#else
std::string makeFolder(const std::filesystem::path& base) {
    std::string pattern = (base / "halcyra-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::filesystem::filesystem_error(
            "cannot create a temporary folder", pattern,
            std::error_code(errno, std::generic_category()));
    }
    return pattern;
}
#endif

}  // namespace

TempFolder::TempFolder() {
    path_ = makeFolder(std::filesystem::temp_directory_path()) + "/";
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(std::u8string(path_.begin(), path_.end())),
                                ignored);
}
