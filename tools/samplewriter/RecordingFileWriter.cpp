#include "RecordingFileWriter.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "FileOps.h"

std::array<char, 8> frameName(std::int32_t number) {
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%03d", static_cast<int>(number));
    if (length != 3) {
        throw std::invalid_argument("frame number does not fit in a record name");
    }
    std::array<char, 8> name{};
    std::memcpy(name.data(), text, 3);
    std::memcpy(name.data() + 3, ".jpg", 5);  // with its zero byte
    return name;
}

void appendRawRecord(std::vector<std::uint8_t>& file, const std::array<char, 8>& name,
                     std::int32_t size, std::span<const std::uint8_t> data) {
    for (char c : name) {
        file.push_back(static_cast<std::uint8_t>(c));
    }
    const auto bits = static_cast<std::uint32_t>(size);
    for (int shift = 0; shift < 32; shift += 8) {
        file.push_back(static_cast<std::uint8_t>(bits >> shift));
    }
    file.insert(file.end(), data.begin(), data.end());
}

void appendFrame(std::vector<std::uint8_t>& file, std::int32_t number,
                 std::span<const std::uint8_t> jpeg) {
    if (jpeg.size() > 0x7FFFFFFF) {
        throw std::invalid_argument("JPEG too large for a record");
    }
    appendRawRecord(file, frameName(number), static_cast<std::int32_t>(jpeg.size()), jpeg);
}

bool writeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    FileHandle file = fileOps::openStream(path, "wb");
    if (!file) {
        return false;
    }
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        return false;
    }
    return std::fclose(file.release()) == 0;
}
