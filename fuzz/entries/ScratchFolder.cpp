#include "ScratchFolder.h"

#include <unistd.h>

#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace {

std::filesystem::path makeFolder() {
    std::error_code error;
    std::filesystem::path base = "/dev/shm";
    if (!std::filesystem::is_directory(base, error) || access(base.c_str(), W_OK) != 0) {
        base = std::filesystem::temp_directory_path();
    }
    std::string pattern = (base / "halcyra-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a scratch folder in " + base.string());
    }
    return std::filesystem::canonical(pattern);
}

struct Folder {
    std::filesystem::path path = makeFolder();
    Folder() = default;
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    ~Folder() {
        std::error_code error;
        std::filesystem::remove_all(path, error);
    }
};

}  // namespace

const std::filesystem::path& scratchFolder() {
    static const Folder folder;
    return folder.path;
}

void emptyScratchFolder() {
    std::error_code error;
    std::vector<std::filesystem::path> entries;
    for (std::filesystem::directory_iterator it(scratchFolder(), error), end; !error && it != end;
         it.increment(error)) {
        entries.push_back(it->path());
    }
    for (const auto& entry : entries) {
        std::filesystem::remove_all(entry, error);
    }
}
