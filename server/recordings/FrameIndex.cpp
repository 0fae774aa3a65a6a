#include "FrameIndex.h"

#include <map>
#include <memory>
#include <mutex>
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

// The frame lists of the recordings asked for last. A library's recording files never change
// once stored (a changed file would be another recording, in another folder), so a list stays
// good while the file keeps its size; a player asking for frame after frame then costs one
// read each, not a walk over every header before it.
class RecentLists {
public:
    std::shared_ptr<const std::vector<Frame>> find(const std::string& path, std::uint64_t size) {
        const std::lock_guard<std::mutex> guard(lock);
        const auto known = lists.find(path);
        if (known == lists.end() || known->second.size != size) {
            return nullptr;
        }
        known->second.lastUse = ++clock;
        return known->second.frames;
    }

    void keep(const std::string& path, std::uint64_t size,
              std::shared_ptr<const std::vector<Frame>> frames) {
        const std::lock_guard<std::mutex> guard(lock);
        if (lists.size() >= kept && lists.find(path) == lists.end()) {
            auto oldest = lists.begin();
            for (auto it = lists.begin(); it != lists.end(); ++it) {
                if (it->second.lastUse < oldest->second.lastUse) {
                    oldest = it;
                }
            }
            lists.erase(oldest);
        }
        lists[path] = Entry{size, std::move(frames), ++clock};
    }

private:
    static constexpr std::size_t kept = 64;
    struct Entry {
        std::uint64_t size = 0;
        std::shared_ptr<const std::vector<Frame>> frames;
        std::uint64_t lastUse = 0;
    };
    std::mutex lock;
    std::map<std::string, Entry> lists;
    std::uint64_t clock = 0;
};

RecentLists& recentLists() {
    static RecentLists shared;
    return shared;
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
    auto frames = recentLists().find(path, facts.size);
    if (!frames) {
        auto walked = walk(file, facts.size, frameCountLimit);
        if (!walked) {
            return std::nullopt;
        }
        frames = std::make_shared<const std::vector<Frame>>(std::move(*walked));
        recentLists().keep(path, facts.size, frames);
    }
    if (frames->size() <= index) {
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
