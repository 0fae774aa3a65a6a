#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Why the last load of a Recording came to nothing, and where: the loader's own finding, so
// that a caller that can say more than "the data is not valid" (the command-line tool) does
// not have to read the file a second time.
struct LoadFailure {
    enum class Kind {
        none,              // the last load succeeded, or there was none
        noOwner,           // load was called before setOwner
        cannotOpen,        // the system refused to open the file (systemError)
        readError,         // a read failed at `offset`, in record `record` (systemError)
        badName,           // record `record` at `offset` is named `name`: no ".jpg" and zero byte
        negativeSize,      // record `record` at `offset` announces `size` below 0
        noCompleteRecord,  // the file ends within its first record (`present` bytes of it)
    };

    Kind kind = Kind::none;
    std::uint64_t offset = 0;  // where the record concerned starts in the file
    std::size_t record = 0;    // its index, 0 for the first
    int systemError = 0;       // errno of the failed call
    std::array<char, 8> name{};
    std::int32_t size = 0;       // the announced size; -1 when the header itself is cut short
    std::uint64_t present = 0;   // noCompleteRecord: bytes of the record in the file
};
