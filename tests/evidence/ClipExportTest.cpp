#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "ClipExport.h"
#include "ExifSegment.h"
#include "JpegEncoder.h"
#include "Recording.h"
#include "RecordingFileWriter.h"
#include "StandInOwner.h"
#include "av/MediaReader.h"

namespace fs = std::filesystem;

namespace {

using Status = ExportResult::Status;

std::vector<std::uint8_t> picture(int width, int height, int shade) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i) {
        // Noise, so that no encoder makes the frames tiny.
        rgb[i] = static_cast<std::uint8_t>(((i + shade) * 2654435761u) >> 13);
    }
    return rgb;
}

class CancelAt final : public ExportProgress {
public:
    explicit CancelAt(std::uint64_t frame) : at(frame) {}
    void advance(std::uint64_t done, std::uint64_t) override {
        if (done == at) {
            cancel();
        }
    }

private:
    std::uint64_t at;
};

class ClipExportTest : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("halcyra-clip-" + std::to_string(::getpid()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        recording.setOwner(&owner);
    }
    void TearDown() override { fs::remove_all(folder); }

    // Frames of `width` x `height` with the given numbers; a true in `damaged` cuts that
    // frame before its scan.
    void load(const std::vector<std::int32_t>& numbers, int width = 33, int height = 17,
              const std::vector<bool>& damaged = {}) {
        std::vector<std::uint8_t> file;
        jpegs.clear();
        for (std::size_t i = 0; i < numbers.size(); ++i) {
            JpegEncodeOptions options;
            if (i == 0) {
                options.app1 = makeExifSegment("2026:11:28 23:59:58");
            }
            std::vector<std::uint8_t> jpeg =
                encodeJpeg(width, height, picture(width, height, static_cast<int>(i) * 9), options);
            if (i < damaged.size() && damaged[i]) {
                for (std::size_t at = 0; at + 1 < jpeg.size(); ++at) {
                    if (jpeg[at] == 0xFF && jpeg[at + 1] == 0xDA) {
                        jpeg.resize(at);
                        break;
                    }
                }
            }
            appendFrame(file, numbers[i], jpeg);
            jpegs.push_back(jpeg);
        }
        const std::string path = (folder / "halcjpeg.dat").string();
        ASSERT_TRUE(writeFile(path, file));
        ASSERT_TRUE(recording.load(path));
        fs::remove(path);
    }

    ExportResult exportTo(const std::string& name, ClipOptions options = {}) {
        options.kind = clipKindForPath(name).value_or(ClipKind::OriginalAvi);
        ExportProgress progress;
        return exportClip(recording, (folder / name).string(), options, progress);
    }

    std::vector<av::MediaReader::Packet> readBack(const std::string& name,
                                                  av::MediaReader& reader) {
        std::vector<av::MediaReader::Packet> packets;
        EXPECT_TRUE(reader.open((folder / name).string())) << reader.error();
        while (auto packet = reader.next()) {
            if (!packet->bytes.empty()) {  // AVI's gap chunks are empty
                packets.push_back(std::move(*packet));
            }
        }
        EXPECT_EQ(reader.error(), "");
        return packets;
    }

    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
    }

    fs::path folder;
    StandInOwner owner;
    Recording recording;
    std::vector<std::vector<std::uint8_t>> jpegs;
};

std::vector<std::pair<std::int64_t, std::int64_t>> times(const std::vector<ClipFrame>& timeline) {
    std::vector<std::pair<std::int64_t, std::int64_t>> result;
    for (const ClipFrame& frame : timeline) {
        result.emplace_back(frame.pts, frame.duration);
    }
    return result;
}

using Times = std::vector<std::pair<std::int64_t, std::int64_t>>;

}  // namespace

TEST_F(ClipExportTest, TimestampsFollowTheFrameNumbersAndAlwaysIncrease) {
    load({1, 4, 5, 11});
    EXPECT_EQ(times(clipTimeline(recording, 0, 3)), (Times{{0, 3}, {3, 1}, {4, 6}, {10, 6}}));
    EXPECT_EQ(times(clipTimeline(recording, 1, 2)), (Times{{0, 1}, {1, 1}}));
    EXPECT_EQ(times(clipTimeline(recording, 3, 3)), (Times{{0, 1}}));

    // Not above the previous number: one unit after the previous frame.
    load({5, 9, 6, 7, 7, 12});
    EXPECT_EQ(times(clipTimeline(recording, 0, 5)),
              (Times{{0, 4}, {4, 1}, {5, 1}, {6, 1}, {7, 1}, {8, 1}}));

    // A frame without bytes is left out, also as the first of the clip.
    std::vector<std::uint8_t> file;
    appendRawRecord(file, frameName(2), 0, {});
    appendFrame(file, 4, encodeJpeg(8, 8, picture(8, 8, 0)));
    appendRawRecord(file, frameName(6), 0, {});
    appendFrame(file, 9, encodeJpeg(8, 8, picture(8, 8, 0)));
    ASSERT_TRUE(writeFile((folder / "gaps.dat").string(), file));
    ASSERT_TRUE(recording.load((folder / "gaps.dat").string()));
    const std::vector<ClipFrame> timeline = clipTimeline(recording, 0, 3);
    EXPECT_EQ(times(timeline), (Times{{0, 5}, {5, 5}}));
    EXPECT_EQ(timeline[1].index, 3u);
}

TEST_F(ClipExportTest, SpansAreReadOnTheReadoutBothEndsIncluded) {
    load({1, 301, 304, 451, 541, 544, 601});  // -15, -5, -4.9, 0, 3, 3.1, 5 s
    using Range = std::optional<std::pair<std::uint32_t, std::uint32_t>>;
    EXPECT_EQ(framesInSpan(recording, {-5.0, 3.0}), (Range{{1, 4}}));
    EXPECT_EQ(framesInSpan(recording, {-4.95, 2.999}), (Range{{2, 3}}));
    EXPECT_EQ(framesInSpan(recording, {std::nullopt, -5.0}), (Range{{0, 1}}));
    EXPECT_EQ(framesInSpan(recording, {3.05, std::nullopt}), (Range{{5, 6}}));
    EXPECT_EQ(framesInSpan(recording, {}), (Range{{0, 6}}));
    EXPECT_EQ(framesInSpan(recording, {0.01, 2.9}), std::nullopt);
    EXPECT_EQ(framesInSpan(recording, {3.0, -3.0}), std::nullopt);

    // Refused before anything is written.
    ClipOptions options;
    options.span = {10.0, 12.0};
    const ExportResult result = exportTo("clip.avi", options);
    EXPECT_EQ(result.status, Status::Refused);
    EXPECT_NE(result.message.find("span"), std::string::npos);
    EXPECT_EQ(entries(), 0u);

    Recording empty;
    ExportProgress progress;
    EXPECT_EQ(exportClip(empty, (folder / "x.mp4").string(), {}, progress).status, Status::Refused);
    EXPECT_EQ(entries(), 0u);
}

TEST_F(ClipExportTest, OriginalsHoldTheRecordedBytesAtTheirTimes) {
    load({1, 4, 5, 11, 12, 30});
    ClipOptions options;
    options.span = {-14.95, std::nullopt};  // from the second frame
    for (const std::string name : {"clip.avi", "clip.mkv"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(exportTo(name, options).status, Status::Written);
        av::MediaReader reader;
        const auto packets = readBack(name, reader);
        EXPECT_EQ(reader.codecName(), "mjpeg");
        EXPECT_EQ(reader.width(), 33);
        ASSERT_EQ(packets.size(), 5u);
        const std::int64_t pts[] = {0, 1, 7, 8, 26};
        for (std::size_t i = 0; i < packets.size(); ++i) {
            EXPECT_TRUE(packets[i].bytes == jpegs[i + 1]) << "frame " << i + 1;
            EXPECT_EQ(packets[i].pts, pts[i]);
        }
        EXPECT_EQ(reader.codecTag(), name.ends_with(".avi") ? "MJPG" : "");
    }
}

TEST_F(ClipExportTest, ShareCopyIsTimedPaddedAndReportsDamage) {
    load({1, 4, 5, 11}, 33, 17, {false, true, false, false});
    ASSERT_EQ(exportTo("share.mp4").status, Status::WrittenWithDamage);
    av::MediaReader reader;
    const auto packets = readBack("share.mp4", reader);
    EXPECT_EQ(reader.codecName(), "h264");
    EXPECT_EQ(reader.width(), 34);
    EXPECT_EQ(reader.height(), 18);
    ASSERT_EQ(packets.size(), 4u);
    const std::int64_t pts[] = {0, 3, 4, 10};
    const std::int64_t durations[] = {3, 1, 6, 6};
    for (std::size_t i = 0; i < packets.size(); ++i) {
        EXPECT_EQ(packets[i].pts, pts[i]);
        EXPECT_EQ(packets[i].duration, durations[i]);
    }

    // The index comes before the data, so a browser can start at once.
    std::ifstream in(folder / "share.mp4", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));

    ClipOptions plain;
    plain.overlay = false;
    plain.span = {-14.85, std::nullopt};
    EXPECT_EQ(exportTo("plain.mp4", plain).status, Status::Written);
}

TEST_F(ClipExportTest, AnExistingFileIsKeptUnlessReplacingIsAllowed) {
    load({1, 2});
    { std::ofstream(folder / "clip.mkv") << "the user's"; }
    const ExportResult refused = exportTo("clip.mkv");
    EXPECT_EQ(refused.status, Status::Refused);
    EXPECT_NE(refused.message.find("exists"), std::string::npos);
    EXPECT_EQ(fs::file_size(folder / "clip.mkv"), 10u);

    ClipOptions replace;
    replace.replace = true;
    EXPECT_EQ(exportTo("clip.mkv", replace).status, Status::Written);
    EXPECT_GT(fs::file_size(folder / "clip.mkv"), 10u);
    EXPECT_EQ(entries(), 1u);
}

TEST_F(ClipExportTest, CancelLeavesNothingBehind) {
    load({1, 2, 3, 4, 5, 6});
    for (const std::string name : {"clip.avi", "clip.mp4"}) {
        CancelAt progress(3);
        ClipOptions options;
        options.kind = *clipKindForPath(name);
        const ExportResult result =
            exportClip(recording, (folder / name).string(), options, progress);
        EXPECT_EQ(result.status, Status::Cancelled) << name;
        EXPECT_EQ(entries(), 0u) << name;
    }
}

// A disk that fills up: a tiny tmpfs where the test may mount one, else a file size limit,
// which fails the writes the same way.
TEST_F(ClipExportTest, AFullDiskFailsWithItsCauseAndLeavesNothing) {
    load({1, 2, 3, 4, 5, 6, 7, 8}, 320, 240);
    const fs::path disk = folder / "disk";
    fs::create_directories(disk);
    const bool mounted = ::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=12k") == 0;
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
    if (!mounted) {
        rlimit small = previous;
        small.rlim_cur = 12 * 1024;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    for (const std::string name : {"clip.avi", "clip.mkv", "clip.mp4"}) {
        ClipOptions options;
        options.kind = *clipKindForPath(name);
        ExportProgress progress;
        const ExportResult result =
            exportClip(recording, (disk / name).string(), options, progress);
        EXPECT_EQ(result.status, Status::Failed) << name;
        EXPECT_NE(result.message.find((disk / name).string()), std::string::npos);
        EXPECT_NE(result.message.find(mounted ? "No space left" : "File too large"),
                  std::string::npos)
            << result.message;
        EXPECT_TRUE(fs::is_empty(disk)) << name;
    }
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousSignal);
    if (mounted) {
        ::umount(disk.c_str());
    }
}
