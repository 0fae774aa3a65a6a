#pragma once

#include <string>

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes. Its path ends in "/", as the program's own folders do, so a settings test can
// hand it over as a target folder unchanged.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    // `name` inside the folder (nothing is created).
    std::string file(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};
