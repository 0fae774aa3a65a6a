#include "FrameIndex.h"

#include <span>

#include "Descriptor.h"
#include "LeadingInteger.h"
#include "RecordStream.h"
#include "RecordingHead.h"

namespace frameIndex {
namespace {

// More than any recorder writes; a walk stops here whatever the file says.
constexpr std::size_t frameCountLimit = 1'000'000;

std::optional<std::vector<Frame>> walk(const Descriptor& file, std::uint64_t fileSize,
                                       std::uint64_t stopAfter) {
    std::vector<Frame> frames;
    std::uint64_t offset = 0;
    while (frames.size() < frameCountLimit && frames.size() <= stopAfter) {
        std::uint8_t header[RecordStream::headerSize];
        if (file.readAt(offset, header, sizeof header) != static_cast<std::int64_t>(sizeof header) ||
            !RecordStream::startsRecord(header)) {
            break;
        }
        const std::uint32_t size = std::uint32_t{header[8]} | (std::uint32_t{header[9]} << 8) |
                                   (std::uint32_t{header[10]} << 16) |
                                   (std::uint32_t{header[11]} << 24);
        const std::uint64_t data = offset + sizeof header;
        if (size > recordingHead::frameLimit || fileSize - data < size) {
            break;
        }
        Frame frame;
        frame.offset = data;
        frame.size = size;
        frame.number = readLeadingInteger(std::string_view(reinterpret_cast<const char*>(header), 8)).value;
        frames.push_back(frame);
        offset = data + size;
    }
    return frames;
}

}  // namespace

std::optional<std::vector<Frame>> framesOf(const std::string& path) {
    const Descriptor file = Descriptor::openForReading(path);
    Descriptor::Facts facts;
    if (!file.valid() || !file.facts(facts)) {
        return std::nullopt;
    }
    return walk(file, facts.size, frameCountLimit);
}

std::optional<std::string> frameBytes(const std::string& path, std::uint64_t index) {
    const Descriptor file = Descriptor::openForReading(path);
    Descriptor::Facts facts;
    if (!file.valid() || !file.facts(facts) || index >= frameCountLimit) {
        return std::nullopt;
    }
    const auto frames = walk(file, facts.size, index);
    if (!frames || frames->size() <= index) {
        return std::nullopt;
    }
    const Frame& frame = (*frames)[index];
    std::string bytes(frame.size, '\0');
    if (file.readAt(frame.offset, bytes.data(), bytes.size()) != static_cast<std::int64_t>(frame.size)) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace frameIndex
