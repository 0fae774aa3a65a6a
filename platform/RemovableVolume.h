#pragma once

#include <string>

// Whether a mounted volume is one a card reader's card appears as, so the window offers to
// import what it holds. The system decides: a removable drive on Windows, a mount the desktop
// makes for the user (/media/USER/…, /run/media/USER/…) elsewhere.
namespace removableVolume {

// `root` is the volume's mount point (a drive's root on Windows), UTF-8.
bool isRemovable(const std::string& root);

}  // namespace removableVolume
