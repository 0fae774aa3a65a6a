#include "FileBytes.h"

#include <fstream>
#include <iterator>

#include "FileOps.h"

std::string readBytes(const std::string& path) {
    std::ifstream in(fileOps::fsPath(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> readFileBytes(const std::string& path) {
    const std::string bytes = readBytes(path);
    return {bytes.begin(), bytes.end()};
}

bool writeBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(fileOps::fsPath(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

bool writeFileBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
    return writeBytes(path, std::string_view(reinterpret_cast<const char*>(bytes.data()),
                                              bytes.size()));
}
