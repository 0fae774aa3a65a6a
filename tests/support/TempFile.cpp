#include "TempFile.h"

#include <stdexcept>

#include "FileBytes.h"

TempFile::TempFile(const std::vector<std::uint8_t>& bytes, const std::string& name)
    : path_(folder_.file(name)) {
    if (!writeFileBytes(path_, bytes)) {
        throw std::runtime_error("cannot write " + path_);
    }
}
