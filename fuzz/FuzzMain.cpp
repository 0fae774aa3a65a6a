// One libFuzzer target: HALCYRA_FUZZ_ENTRY names the entry point (FuzzEntries.h).
#include <cstddef>
#include <cstdint>

#include "FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    HALCYRA_FUZZ_ENTRY(std::span<const std::uint8_t>(data, size));
    return 0;
}
