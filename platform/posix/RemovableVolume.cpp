#include "RemovableVolume.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace {

std::string userName() {
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_name != nullptr) {
        return entry->pw_name;
    }
    const char* name = std::getenv("USER");
    return name != nullptr ? name : "";
}

// A folder strictly below `base`: the mount of one card, not the parent folder itself.
bool below(const std::string& root, const std::string& base) {
    return root.size() > base.size() && root.compare(0, base.size(), base) == 0;
}

}  // namespace

namespace removableVolume {

bool isRemovable(const std::string& root) {
    const std::string user = userName();
    if (user.empty()) {
        return false;
    }
    // udisks mounts what is plugged in here, for the user who is logged in.
    return below(root, "/media/" + user + "/") || below(root, "/run/media/" + user + "/");
}

}  // namespace removableVolume
