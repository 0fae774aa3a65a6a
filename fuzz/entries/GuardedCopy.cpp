#include "GuardedCopy.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <new>

GuardedCopy::GuardedCopy(std::span<const std::uint8_t> bytes) : size(bytes.size()) {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t dataPages = (size + page - 1) / page;
    mappingSize = (dataPages + 1) * page;
    mapping =
        mmap(nullptr, mappingSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) {
        mapping = nullptr;
        throw std::bad_alloc();
    }
    auto* guard = static_cast<std::uint8_t*>(mapping) + dataPages * page;
    if (mprotect(guard, page, PROT_NONE) != 0) {
        munmap(mapping, mappingSize);
        mapping = nullptr;
        throw std::bad_alloc();
    }
    auto* start = guard - size;
    if (size > 0) {
        std::memcpy(start, bytes.data(), size);
    }
    data = start;
}

GuardedCopy::~GuardedCopy() {
    if (mapping != nullptr) {
        munmap(mapping, mappingSize);
    }
}
