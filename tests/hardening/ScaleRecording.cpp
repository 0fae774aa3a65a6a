#include "ScaleRecording.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "FileHandle.h"
#include "FlatJpeg.h"
#include "FrameBitmap.h"
#include "RecordingFileWriter.h"

namespace scale {

namespace {

FlatColour colourOf(int picture) {
    return {(picture * 67 + 20) % 256, (picture * 151 + 90) % 256, (picture * 29 + 170) % 256};
}

}  // namespace

std::vector<std::vector<std::uint8_t>> pictures(int count, int width, int height) {
    std::vector<std::vector<std::uint8_t>> result;
    for (int picture = 0; picture < count; ++picture) {
        result.push_back(flatJpeg(colourOf(picture), width, height));
    }
    return result;
}

int pictureOf(const FrameBitmap& bitmap, int count) {
    if (!bitmap.isCreated()) {
        return -1;
    }
    std::vector<FlatColour> palette;
    for (int picture = 0; picture < count; ++picture) {
        palette.push_back(colourOf(picture));
    }
    return nearestColour(bitmap.pixels(), palette);
}

std::int32_t numberOf(std::size_t index, std::size_t count) {
    return static_cast<std::int32_t>(1 + index * 998 / count);
}

std::size_t framesForSize(std::span<const std::vector<std::uint8_t>> pictures,
                          std::uint64_t bytes) {
    std::uint64_t cycle = 0;
    for (const auto& picture : pictures) {
        cycle += 12 + picture.size();
    }
    return static_cast<std::size_t>(bytes * pictures.size() / cycle);
}

void writeRecording(const std::string& path, std::size_t frameCount,
                    std::span<const std::vector<std::uint8_t>> pictures) {
    FileHandle file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        throw std::runtime_error("cannot create " + path);
    }
    std::vector<std::uint8_t> record;
    for (std::size_t k = 0; k < frameCount; ++k) {
        record.clear();
        appendFrame(record, numberOf(k, frameCount), pictures[k % pictures.size()]);
        if (std::fwrite(record.data(), 1, record.size(), file.get()) != record.size()) {
            throw std::runtime_error("cannot write " + path);
        }
    }
    if (std::fclose(file.release()) != 0) {
        throw std::runtime_error("cannot write " + path);
    }
}

}  // namespace scale
