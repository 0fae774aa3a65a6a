#include "PackageVerifier.h"

#include "FileOps.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <span>

#include "ClipExport.h"
#include "EventFrames.h"
#include "EvidencePackage.h"
#include "FileDigest.h"
#include "FileOps.h"
#include "Recording.h"
#include "ReportMetadata.h"
#include "StandInOwner.h"
#include "av/MediaReader.h"

namespace fs = std::filesystem;

namespace {

// Far above what a package's list or report ever holds; a larger file is not read whole.
constexpr std::uintmax_t checksumsLimit = std::uintmax_t{1024} * 1024;
constexpr std::uintmax_t reportLimit = std::uintmax_t{256} * 1024 * 1024;
constexpr std::size_t hexDigits = 64;

struct ListedFile {
    std::string digest;
    std::string name;
};

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool isHex(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](unsigned char c) { return std::isxdigit(c) != 0; });
}

// A name that stays inside the folder: no separator, no "." or "..".
bool isPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

std::optional<std::string> readSmallFile(const fs::path& path, std::uintmax_t limit,
                                         std::string& error) {
    std::error_code code;
    const std::uintmax_t size = fs::file_size(path, code);
    if (code) {
        error = "cannot be read: " + code.message();
        return std::nullopt;
    }
    if (size > limit) {
        error = "is larger than such a file can be (" + std::to_string(size) + " bytes)";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        error = "cannot be read";
        return std::nullopt;
    }
    return bytes;
}

std::string units(std::int64_t pts) {
    return std::to_string(pts) + "/30 s";
}

// The checks of one package, gathered per file name in the order they are first named.
class Findings {
public:
    PackageFileCheck& of(const std::string& name) {
        const auto found = index.find(name);
        if (found != index.end()) {
            return checks[found->second];
        }
        index.emplace(name, checks.size());
        checks.push_back({name, {}});
        return checks.back();
    }
    void add(const std::string& name, std::string problem) {
        of(name).problems.push_back(std::move(problem));
    }
    bool has(const std::string& name) const { return index.contains(name); }
    std::vector<PackageFileCheck> take() { return std::move(checks); }

private:
    std::vector<PackageFileCheck> checks;
    std::map<std::string, std::size_t> index;
};

class Verifier {
public:
    Verifier(fs::path folder, ExportProgress& progress)
        : folder(std::move(folder)), progress(progress) {
        recording.setOwner(&owner);
    }

    PackageVerification run() {
        PackageVerification result;
        std::error_code code;
        const fs::file_status status = fs::status(folder, code);
        if (!fs::exists(status)) {
            result.refusal = folder.string() + ": no such folder";
            return result;
        }
        if (!fs::is_directory(status)) {
            result.refusal = folder.string() + ": is not a folder";
            return result;
        }
        if (!listFolder(result.refusal)) {
            return result;
        }
        const std::vector<ListedFile> listed = readChecksums();
        std::size_t step = 0;
        const std::size_t steps = listed.size() + 4;
        for (const ListedFile& file : listed) {
            if (progress.isCancelled()) {
                result.cancelled = true;
                return result;
            }
            checkListed(file);
            progress.advance(++step, steps);
        }
        findings.of(checksumsName);
        for (const std::string& name : present) {
            if (name != checksumsName && !listedNames.contains(name)) {
                findings.add(name, "is not named in " + checksumsName);
            }
        }
        if (findRecording()) {
            checkAgainstRecording(result.cancelled);
        }
        progress.advance(steps, steps);
        result.files = findings.take();
        return result;
    }

private:
    bool listFolder(std::string& refusal) {
        std::error_code code;
        for (fs::directory_iterator it(folder, code), end; !code && it != end; it.increment(code)) {
            present.push_back(it->path().filename().string());
        }
        if (code) {
            refusal = folder.string() + ": cannot be read: " + code.message();
            return false;
        }
        std::sort(present.begin(), present.end());
        return true;
    }

    std::vector<ListedFile> readChecksums() {
        std::vector<ListedFile> listed;
        const fs::path path = folder / checksumsName;
        std::error_code code;
        if (!fs::is_regular_file(fs::symlink_status(path, code))) {
            findings.add(checksumsName, "is missing: nothing says which files the package holds");
            return listed;
        }
        std::string error;
        const std::optional<std::string> text = readSmallFile(path, checksumsLimit, error);
        if (!text) {
            findings.add(checksumsName, error);
            return listed;
        }
        std::size_t lineNumber = 0;
        for (std::size_t start = 0; start < text->size();) {
            std::size_t end = text->find('\n', start);
            if (end == std::string::npos) {
                end = text->size();
            }
            std::string line = text->substr(start, end - start);
            start = end + 1;
            ++lineNumber;
            if (line.empty()) {
                continue;
            }
            const std::string where = "line " + std::to_string(lineNumber);
            // sha256sum's format: the digest, a space, a space or '*' (binary), the name.
            if (line.size() < hexDigits + 3 || line[hexDigits] != ' ' ||
                (line[hexDigits + 1] != ' ' && line[hexDigits + 1] != '*') ||
                !isHex(line.substr(0, hexDigits))) {
                findings.add(checksumsName, where + " is not \"SHA-256  name\"");
                continue;
            }
            ListedFile file{lowerCase(line.substr(0, hexDigits)), line.substr(hexDigits + 2)};
            if (!isPlainName(file.name) || file.name == checksumsName) {
                findings.add(checksumsName, where + " names \"" + file.name +
                                                "\", which is not a file of the package");
                continue;
            }
            if (!listedNames.insert(file.name).second) {
                findings.add(checksumsName, where + " names " + file.name + " a second time");
                continue;
            }
            listed.push_back(std::move(file));
        }
        if (listed.empty() && findings.of(checksumsName).problems.empty()) {
            findings.add(checksumsName, "names no file");
        }
        return listed;
    }

    void checkListed(const ListedFile& file) {
        PackageFileCheck& check = findings.of(file.name);
        const fs::path path = folder / fileOps::fsPath(file.name);
        std::error_code code;
        const fs::file_status status = fs::symlink_status(path, code);
        if (!fs::exists(status)) {
            check.problems.emplace_back("is missing");
            return;
        }
        if (!fs::is_regular_file(status)) {
            check.problems.emplace_back("is not a plain file");
            return;
        }
        const std::optional<std::string> digest = digestOf(file.name, check);
        if (digest && *digest != file.digest) {
            check.problems.push_back("its SHA-256 is " + *digest + ", " + checksumsName + " says " +
                                     file.digest);
        }
    }

    std::optional<std::string> digestOf(const std::string& name, PackageFileCheck& check) {
        const auto known = digests.find(name);
        if (known != digests.end()) {
            return known->second;
        }
        std::string error;
        std::optional<std::string> digest = fileSha256((folder / fileOps::fsPath(name)).string(), error);
        if (!digest) {
            check.problems.push_back("cannot be read: " + error);
            return std::nullopt;
        }
        digests.emplace(name, *digest);
        return digest;
    }

    static bool isDerivedName(const std::string& name) {
        for (const char* suffix : {"-original.avi", "-share.mp4", "-report.pdf", "-event.jpg"}) {
            if (name.ends_with(suffix)) {
                return true;
            }
        }
        return false;
    }

    // The one file of the folder that loads as a recording.
    bool findRecording() {
        std::vector<std::string> loaded;
        std::vector<std::string> refused;
        for (const std::string& name : present) {
            std::error_code code;
            if (name == checksumsName || isDerivedName(name) ||
                !fs::is_regular_file(fs::symlink_status(folder / fileOps::fsPath(name), code))) {
                continue;
            }
            Recording candidate;
            candidate.setOwner(&owner);
            if (candidate.load((folder / fileOps::fsPath(name)).string()) && candidate.frameCount() > 0) {
                loaded.push_back(name);
            } else {
                refused.push_back(name);
            }
        }
        if (loaded.empty()) {
            for (const std::string& name : refused) {
                findings.add(name, "is not a recording of JPEG frames that loads");
            }
            findings.add(checksumsName, "the package holds no recording that loads");
            return false;
        }
        for (std::size_t i = 1; i < loaded.size(); ++i) {
            findings.add(loaded[i], "is a second recording; a package holds one");
        }
        recordingName = loaded.front();
        return recording.load((folder / fileOps::fsPath(recordingName)).string());
    }

    void checkAgainstRecording(bool& cancelled) {
        const std::string path = (folder / fileOps::fsPath(recordingName)).string();
        const PackageFileNames names = packageFileNames(recording, path);
        const std::optional<std::pair<std::uint32_t, std::uint32_t>> all =
            framesInSpan(recording, {});
        const std::vector<ClipFrame> timeline =
            all ? clipTimeline(recording, all->first, all->second) : std::vector<ClipFrame>{};
        const std::string* expected[] = {&names.originalClip, &names.shareClip, &names.report,
                                         &names.eventStill};
        for (const std::string* name : expected) {
            std::error_code code;
            if (!fs::is_regular_file(fs::symlink_status(folder / fileOps::fsPath(*name), code))) {
                if (!listedNames.contains(*name)) {
                    findings.add(*name, "is missing from the package");
                }
                continue;
            }
            if (progress.isCancelled()) {
                cancelled = true;
                return;
            }
            if (*name == names.originalClip) {
                checkOriginalClip(*name, timeline);
            } else if (*name == names.shareClip) {
                checkShareClip(*name, timeline);
            } else if (*name == names.report) {
                checkReport(*name);
            } else {
                checkEventStill(*name);
            }
        }
    }

    std::span<const std::uint8_t> recordedBytes(std::uint32_t index) const {
        const FrameRecord frame = recording.frameAt(index);
        return {frame.jpegData, static_cast<std::size_t>(std::max(frame.jpegSize, 0))};
    }

    std::string frameName(const ClipFrame& frame) const {
        return "frame " + std::to_string(frame.index) + " (number " +
               std::to_string(recording.frameAt(frame.index).number) + ")";
    }

    // The clip's packets with pictures in them (AVI keeps the recording's gaps as empty ones).
    std::optional<std::vector<av::MediaReader::Packet>> readPackets(const std::string& name,
                                                                    av::MediaReader& reader) {
        if (!reader.open((folder / fileOps::fsPath(name)).string())) {
            findings.add(name, "cannot be read as a clip: " + reader.error());
            return std::nullopt;
        }
        std::vector<av::MediaReader::Packet> packets;
        while (std::optional<av::MediaReader::Packet> packet = reader.next()) {
            if (!packet->bytes.empty()) {
                packets.push_back(std::move(*packet));
            }
        }
        if (!reader.error().empty()) {
            findings.add(name, "cannot be read to its end: " + reader.error());
            return std::nullopt;
        }
        return packets;
    }

    bool sameCount(const std::string& name, std::size_t packets, std::size_t frames) {
        if (packets == frames) {
            return true;
        }
        findings.add(name, "holds " + std::to_string(packets) +
                               " pictures where the recording has " + std::to_string(frames) +
                               " frames");
        return false;
    }

    void checkOriginalClip(const std::string& name, const std::vector<ClipFrame>& timeline) {
        av::MediaReader reader;
        const auto packets = readPackets(name, reader);
        if (!packets) {
            return;
        }
        if (reader.codecTag() != "MJPG") {
            findings.add(name, "is not the original's MJPG clip (" + reader.codecName() + ")");
            return;
        }
        if (!sameCount(name, packets->size(), timeline.size())) {
            return;
        }
        for (std::size_t i = 0; i < timeline.size(); ++i) {
            const av::MediaReader::Packet& packet = (*packets)[i];
            const std::span<const std::uint8_t> bytes = recordedBytes(timeline[i].index);
            if (!std::equal(packet.bytes.begin(), packet.bytes.end(), bytes.begin(), bytes.end())) {
                findings.add(
                    name, frameName(timeline[i]) + ": the clip's bytes are not the recorded JPEG");
                return;
            }
            if (packet.pts != timeline[i].pts) {
                findings.add(name, frameName(timeline[i]) + " is at " + units(packet.pts) +
                                       " where the recording puts it at " + units(timeline[i].pts));
                return;
            }
        }
    }

    void checkShareClip(const std::string& name, const std::vector<ClipFrame>& timeline) {
        av::MediaReader reader;
        const auto packets = readPackets(name, reader);
        if (!packets) {
            return;
        }
        if (reader.codecName() != "h264") {
            findings.add(name, "is not an H.264 share copy (" + reader.codecName() + ")");
            return;
        }
        if (!sameCount(name, packets->size(), timeline.size())) {
            return;
        }
        for (std::size_t i = 0; i < timeline.size(); ++i) {
            if ((*packets)[i].pts != timeline[i].pts) {
                findings.add(name, "the picture of " + frameName(timeline[i]) + " is at " +
                                       units((*packets)[i].pts) +
                                       " where the recording puts it at " + units(timeline[i].pts));
                return;
            }
        }
    }

    void checkReport(const std::string& name) {
        std::string error;
        const std::optional<std::string> pdf = readSmallFile(folder / fileOps::fsPath(name), reportLimit, error);
        if (!pdf) {
            findings.add(name, error);
            return;
        }
        const std::optional<std::string> named = reportedRecordingSha256(*pdf);
        PackageFileCheck& recordingCheck = findings.of(recordingName);
        const std::optional<std::string> actual = digestOf(recordingName, recordingCheck);
        if (!named) {
            findings.add(name, "does not name the SHA-256 of the recording it was made from");
        } else if (actual && *named != *actual) {
            findings.add(name, "is the report of another recording (SHA-256 " + *named + ")");
        }
    }

    void checkEventStill(const std::string& name) {
        const std::optional<EventFrames> frames = findEventFrames(recording);
        std::string error;
        const std::optional<std::string> jpeg = readSmallFile(folder / fileOps::fsPath(name), reportLimit, error);
        if (!jpeg) {
            findings.add(name, error);
            return;
        }
        const std::span<const std::uint8_t> bytes = recordedBytes(frames->event.index);
        if (!std::equal(jpeg->begin(), jpeg->end(), bytes.begin(), bytes.end(),
                        [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; })) {
            findings.add(name, "is not the event frame's recorded JPEG (frame " +
                                   std::to_string(frames->event.index) + ")");
        }
    }

    const std::string checksumsName = PackageFileNames{}.checksums;
    fs::path folder;
    ExportProgress& progress;
    StandInOwner owner;
    Recording recording;
    std::string recordingName;
    std::vector<std::string> present;
    std::set<std::string> listedNames;
    std::map<std::string, std::string> digests;
    Findings findings;
};

}  // namespace

bool PackageVerification::holds() const {
    return refusal.empty() && !cancelled && !files.empty() &&
           std::all_of(files.begin(), files.end(),
                       [](const PackageFileCheck& check) { return check.problems.empty(); });
}

PackageVerification verifyEvidencePackage(const std::string& folder, ExportProgress& progress) {
    return Verifier(fileOps::fsPath(folder), progress).run();
}
