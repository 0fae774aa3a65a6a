#pragma once

#include <string>

#include "ProfileFile.h"

// How the viewer draws, kept in the [View] section of Halcyra.ini beside the sensitivity
// choice in [Config], which it never touches.
class ViewOptions {
public:
    explicit ViewOptions(std::string iniPath);

    const std::string& path() const { return file_.path(); }

    // Filtered scaling of the picture; off (nearest pixels) unless stored as 1.
    bool loadSmoothScaling() const;
    // False when the file could not be written; the old file is then as it was.
    bool saveSmoothScaling(bool smooth) const;

private:
    ProfileFile file_;
};
