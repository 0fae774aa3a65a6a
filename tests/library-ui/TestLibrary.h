#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "TempFolder.h"

// A recording of `frames` 16 x 16 frames numbered 1, 1 + step, ..., each of one shade that
// grows with its number, the first carrying `date` when it is not empty.
std::vector<std::uint8_t> testRecording(int frames, const std::string& date, int step = 1);

// A card and a library side by side in a temporary folder.
struct TestLibrary {
    TempFolder place;
    std::string card = place.file("card");
    std::string root = place.file("lib");

    TestLibrary();
    // Writes a recording onto the card under `name` (folders made); its path.
    std::string putOnCard(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
    // Imports a file into the library; the file in the library.
    std::string import(const std::string& source) const;
};
