#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Descriptor.h"

// A ZIP archive of files stored as they are (no compression), laid out in advance so that its
// size is known before the first byte is sent and any range of it can be read on demand: the
// files stay where they are and are read as the bytes are asked for. ZIP64 records are used
// where a size or an offset does not fit 32 bits. Names are UTF-8.
class StoredZip {
public:
    struct Member {
        std::string name;  // inside the archive
        std::string path;  // on disk
        // Filled by build() from the file unless `known` is set (a caller that has them).
        std::uint64_t size = 0;
        std::uint32_t crc32 = 0;
        bool known = false;
    };

    // Opens and reads each file once (its CRC-32); nothing with `error` naming the file when
    // one cannot be read. The files may be removed afterwards: they stay open.
    static std::optional<StoredZip> build(std::vector<Member> members, std::int64_t modifiedSeconds,
                                          std::string& error);

    std::uint64_t size() const { return total; }
    // Copies bytes [offset, offset + length) of the archive into `out`; false when a file cannot
    // be read or the range runs past the end.
    bool read(std::uint64_t offset, char* out, std::size_t length) const;

private:
    struct Piece {
        std::uint64_t start = 0;  // in the archive
        std::uint64_t length = 0;
        std::string bytes;                  // a header, or
        std::shared_ptr<Descriptor> file;   // a member's bytes
    };
    std::vector<Piece> pieces;
    std::uint64_t total = 0;
};
