#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// A copy of some bytes that ends exactly where an inaccessible page begins, so that a read
// past the end faults at once, also inside libraries built without sanitizers (libjpeg).
class GuardedCopy {
public:
    explicit GuardedCopy(std::span<const std::uint8_t> bytes);
    ~GuardedCopy();
    GuardedCopy(const GuardedCopy&) = delete;
    GuardedCopy& operator=(const GuardedCopy&) = delete;

    std::span<const std::uint8_t> bytes() const { return {data, size}; }

private:
    void* mapping = nullptr;
    std::size_t mappingSize = 0;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};
