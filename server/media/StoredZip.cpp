#include "StoredZip.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include <zlib.h>

namespace {

constexpr std::uint64_t small = 0xFFFFFFFFu;  // a 32-bit field's "see the ZIP64 record"
constexpr std::uint16_t utf8Names = 0x0800;

void put16(std::string& out, std::uint64_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void put32(std::string& out, std::uint64_t value) {
    put16(out, value & 0xFFFF);
    put16(out, (value >> 16) & 0xFFFF);
}

void put64(std::string& out, std::uint64_t value) {
    put32(out, value & 0xFFFFFFFFu);
    put32(out, value >> 32);
}

// MS-DOS date and time, as the headers keep them (UTC: the archive has no zone).
std::pair<std::uint16_t, std::uint16_t> dosTime(std::int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm utc{};
    gmtime_r(&t, &utc);
    const int year = std::clamp(utc.tm_year + 1900, 1980, 2107);
    const auto time = static_cast<std::uint16_t>((utc.tm_hour << 11) | (utc.tm_min << 5) | (utc.tm_sec / 2));
    const auto date = static_cast<std::uint16_t>(((year - 1980) << 9) | ((utc.tm_mon + 1) << 5) | utc.tm_mday);
    return {time, date};
}

bool checksum(const Descriptor& file, StoredZip::Member& member, std::string& error) {
    std::vector<char> buffer(std::size_t{1} << 20);
    uLong crc = crc32(0L, Z_NULL, 0);
    std::uint64_t size = 0;
    for (;;) {
        const std::int64_t got = file.readSome(buffer.data(), buffer.size());
        if (got < 0) {
            error = member.path + ": cannot be read: " + std::strerror(errno);
            return false;
        }
        if (got == 0) {
            break;
        }
        crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), static_cast<uInt>(got));
        size += static_cast<std::uint64_t>(got);
    }
    member.size = size;
    member.crc32 = static_cast<std::uint32_t>(crc);
    return true;
}

}  // namespace

std::optional<StoredZip> StoredZip::build(std::vector<Member> members, std::int64_t modifiedSeconds,
                                          std::string& error) {
    StoredZip zip;
    const auto [time, date] = dosTime(modifiedSeconds);
    std::string central;
    std::uint64_t at = 0;
    const auto add = [&zip, &at](Piece piece) {
        piece.start = at;
        if (piece.file == nullptr) {
            piece.length = piece.bytes.size();
        }
        at += piece.length;
        zip.pieces.push_back(std::move(piece));
    };
    for (Member& m : members) {
        auto file = std::make_shared<Descriptor>(Descriptor::openForReading(m.path));
        if (!file->valid()) {
            error = m.path + ": cannot be opened: " + std::strerror(errno);
            return std::nullopt;
        }
        if (!m.known && !checksum(*file, m, error)) {
            return std::nullopt;
        }
        if (m.name.size() > 0xFFFF) {
            error = m.path + ": its name in the archive is too long";
            return std::nullopt;
        }
        const std::uint64_t offset = at;
        const bool bigSize = m.size >= small;
        const bool bigOffset = offset >= small;
        const std::uint16_t needed = bigSize || bigOffset ? 45 : 20;

        std::string local;
        put32(local, 0x04034b50);
        put16(local, needed);
        put16(local, utf8Names);
        put16(local, 0);  // stored
        put16(local, time);
        put16(local, date);
        put32(local, m.crc32);
        put32(local, bigSize ? small : m.size);
        put32(local, bigSize ? small : m.size);
        put16(local, m.name.size());
        put16(local, bigSize ? 20 : 0);
        local += m.name;
        if (bigSize) {
            put16(local, 0x0001);
            put16(local, 16);
            put64(local, m.size);
            put64(local, m.size);
        }
        add(Piece{0, 0, std::move(local), nullptr});
        add(Piece{0, m.size, {}, file});

        std::string extra;
        if (bigSize || bigOffset) {
            std::string fields;
            if (bigSize) {
                put64(fields, m.size);
                put64(fields, m.size);
            }
            if (bigOffset) {
                put64(fields, offset);
            }
            put16(extra, 0x0001);
            put16(extra, fields.size());
            extra += fields;
        }
        put32(central, 0x02014b50);
        put16(central, (3 << 8) | 45);  // made on Unix, ZIP 4.5
        put16(central, needed);
        put16(central, utf8Names);
        put16(central, 0);
        put16(central, time);
        put16(central, date);
        put32(central, m.crc32);
        put32(central, bigSize ? small : m.size);
        put32(central, bigSize ? small : m.size);
        put16(central, m.name.size());
        put16(central, extra.size());
        put16(central, 0);  // comment
        put16(central, 0);  // disk
        put16(central, 0);  // internal attributes
        put32(central, std::uint64_t{0100644} << 16);
        put32(central, bigOffset ? small : offset);
        central += m.name;
        central += extra;
    }
    const std::uint64_t centralOffset = at;
    const std::uint64_t centralSize = central.size();
    const std::uint64_t count = members.size();
    std::string end = std::move(central);
    const bool zip64 = count >= 0xFFFF || centralOffset >= small || centralSize >= small;
    if (zip64) {
        const std::uint64_t recordOffset = centralOffset + centralSize;
        put32(end, 0x06064b50);
        put64(end, 44);
        put16(end, 45);
        put16(end, 45);
        put32(end, 0);
        put32(end, 0);
        put64(end, count);
        put64(end, count);
        put64(end, centralSize);
        put64(end, centralOffset);
        put32(end, 0x07064b50);
        put32(end, 0);
        put64(end, recordOffset);
        put32(end, 1);
    }
    put32(end, 0x06054b50);
    put16(end, 0);
    put16(end, 0);
    put16(end, zip64 ? 0xFFFF : count);
    put16(end, zip64 ? 0xFFFF : count);
    put32(end, zip64 ? small : centralSize);
    put32(end, zip64 ? small : centralOffset);
    put16(end, 0);
    add(Piece{0, 0, std::move(end), nullptr});
    zip.total = at;
    return zip;
}

bool StoredZip::read(std::uint64_t offset, char* out, std::size_t length) const {
    if (offset > total || length > total - offset) {
        return false;
    }
    // The first piece that ends after `offset`.
    auto piece = std::upper_bound(pieces.begin(), pieces.end(), offset,
                                  [](std::uint64_t at, const Piece& p) { return at < p.start + p.length; });
    while (length > 0 && piece != pieces.end()) {
        const std::uint64_t within = offset - piece->start;
        const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(length, piece->length - within));
        if (piece->file == nullptr) {
            std::memcpy(out, piece->bytes.data() + within, take);
        } else {
            std::size_t done = 0;
            while (done < take) {
                const std::int64_t got = piece->file->readAt(within + done, out + done, take - done);
                if (got <= 0) {
                    return false;  // the file shrank under us
                }
                done += static_cast<std::size_t>(got);
            }
        }
        out += take;
        offset += take;
        length -= take;
        ++piece;
    }
    return length == 0;
}
