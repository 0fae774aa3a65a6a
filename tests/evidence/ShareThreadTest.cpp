#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <span>
#include <thread>
#include <vector>

#include <QCoreApplication>

#include "ClipExport.h"
#include "EvidencePackage.h"
#include "FrameTimeText.h"
#include "JpegFrameDecoder.h"
#include "PackageVerifier.h"
#include "PlaneOverlay.h"
#include "PlanePicture.h"
#include "Recording.h"
#include "SharePictures.h"
#include "StandInOwner.h"
#include "TempFolder.h"
#include "TimeOfDay.h"

// The share copy's pictures are made on a thread of their own, with the times drawn there in
// Qt's fonts. These run on every system the program is built for; on Windows they are what
// proves that drawing text off the main thread, and the thread's end, are sound.
namespace {

class ShareThreadTest : public ::testing::Test {
protected:
    ShareThreadTest() {
        recording.setOwner(&owner);
        EXPECT_TRUE(recording.load(HALCYRA_SAMPLE_PATH));
    }

    // Lets whatever Qt does after a thread has ended run before the test goes on.
    static void settle() {
        for (int i = 0; i < 10; ++i) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    StandInOwner owner;
    Recording recording;
};

// Each picture the worker makes is, byte for byte, the frame decoded and its times drawn here
// on the main thread; over a second of frames, so the time of day changes on the way.
TEST_F(ShareThreadTest, TheWorkersTimesAreTheMainThreadsBytes) {
    ASSERT_GT(recording.frameCount(), 70U);
    const std::vector<ClipFrame> timeline = clipTimeline(recording, 20, 60);
    ASSERT_FALSE(timeline.empty());
    const ClockCorrection clock{};
    int width = 0;
    int height = 0;
    PlanePicture shown;
    const auto target = [&](int w, int h) {
        if (!shown.isCreated()) {
            width = w;
            height = h;
            shown.create(w, h);
        }
        return &shown;
    };
    // The size the worker takes: the first frame's.
    const FrameRecord first = recording.frameAt(timeline.front().index);
    ASSERT_TRUE(decodeJpegPlanes(
        std::span<const std::uint8_t>(first.jpegData, static_cast<std::size_t>(first.jpegSize)),
        target));
    shown = PlanePicture();
    ASSERT_TRUE(shown.create(width, height));

    PlaneOverlay overlay(width, height);
    // Several workers one after another, each ending before the next starts.
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(shown.create(width, height));
        SharePictures pictures(recording, timeline, true, clock, nullptr, width, height);
        for (const ClipFrame& frame : timeline) {
            const SharePictures::Picture made = pictures.next();
            const FrameRecord record = recording.frameAt(frame.index);
            ASSERT_TRUE(decodeJpegPlanes(std::span<const std::uint8_t>(
                                             record.jpegData,
                                             static_cast<std::size_t>(record.jpegSize)),
                                         [&shown](int, int) { return &shown; }));
            PlanePicture expected = shown;
            overlay.draw(expected,
                         shownTimeOfDay(recording.getCaptureDate(), recording.frameAt(0).number,
                                        record.number, clock),
                         frameTimeText(record.number));
            ASSERT_TRUE(made.complete);
            ASSERT_TRUE(made.planes == expected) << "frame index " << frame.index;
            ASSERT_FALSE(made.planes == shown) << "no times drawn on frame index " << frame.index;
        }
    }
    settle();
}

// The share copy with the times, as `halcyra-cli video` writes it, and a whole evidence
// package that the program's own verifier then accepts.
TEST_F(ShareThreadTest, AShareCopyAndAPackageWithTheTimesAreWritten) {
    const TempFolder folder;
    ExportProgress progress;
    ClipOptions clip;
    clip.kind = ClipKind::ShareMp4;
    clip.span = ReadoutSpan{-1.0, 1.0};
    const std::string mp4 = folder.file("share.mp4");
    const ExportResult written = exportClip(recording, mp4, clip, progress);
    ASSERT_EQ(written.status, ExportResult::Status::Written) << written.message;
    EXPECT_GT(std::filesystem::file_size(mp4), 10000U);
    settle();

    const std::string package = folder.file("package");
    const ExportResult packed =
        exportEvidencePackage(recording, HALCYRA_SAMPLE_PATH, package, PackageOptions{}, progress);
    ASSERT_EQ(packed.status, ExportResult::Status::Written) << packed.message;
    settle();
    const PackageVerification verification = verifyEvidencePackage(package, progress);
    EXPECT_TRUE(verification.refusal.empty()) << verification.refusal;
    for (const PackageFileCheck& file : verification.files) {
        EXPECT_TRUE(file.problems.empty()) << file.name << ": " << file.problems.front();
    }
    EXPECT_TRUE(verification.holds());
    // Only the package's files: no staging folder or temporary file stays behind.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(package)) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names.size(), 6U);
    for (const std::string& name : names) {
        EXPECT_NE(name.front(), '.') << name;
    }
}

}  // namespace
