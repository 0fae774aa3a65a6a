#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "ClipExport.h"
#include "EvidencePackage.h"
#include "ExifSegment.h"
#include "FileBytes.h"
#include "FileDigest.h"
#include "FileOps.h"
#include "JpegEncoder.h"
#include "PackageVerifier.h"
#include "Recording.h"
#include "RecordingFileWriter.h"
#include "ReportExport.h"
#include "StandInOwner.h"
#include "TempFolder.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* prefix = "20261128-143507-";

// A dated recording of 21 small frames, numbered from `first` in steps of `step`.
std::vector<std::uint8_t> recordingBytes(std::int32_t first, std::int32_t step = 3,
                                         std::uint8_t shade = 0) {
    std::vector<std::uint8_t> file;
    for (std::int32_t i = 0; i < 21; ++i) {
        std::vector<std::uint8_t> rgb(32 * 24 * 3);
        for (std::size_t p = 0; p < rgb.size(); ++p) {
            rgb[p] = static_cast<std::uint8_t>(p * 5 + static_cast<std::size_t>(i) * 40 + shade);
        }
        JpegEncodeOptions options;
        if (i == 0) {
            options.app1 = makeExifSegment("2026:11:28 14:35:07");
        }
        appendFrame(file, first + step * i, encodeJpeg(32, 24, rgb, options));
    }
    return file;
}

class PackageVerifierTest : public testing::Test {
protected:
    void SetUp() override {
        recording.setOwner(&owner);
        recordingPath = temp.file("halcjpeg.dat");
        ASSERT_TRUE(writeFile(recordingPath, recordingBytes(421)));
        ASSERT_TRUE(recording.load(recordingPath));
        package = fs::path(temp.file("package"));
        ASSERT_TRUE(exportEvidencePackage(recording, recordingPath, package.string(), {}, progress)
                        .written());
    }

    PackageVerification verify() { return verifyEvidencePackage(package.string(), progress); }

    // The problems found with `name`; "absent" when the check did not name the file at all.
    std::vector<std::string> problemsOf(const PackageVerification& found, const std::string& name) {
        const auto check = std::find_if(found.files.begin(), found.files.end(),
                                        [&](const PackageFileCheck& c) { return c.name == name; });
        return check == found.files.end() ? std::vector<std::string>{"absent"} : check->problems;
    }

    // What a careful forger does after changing a file: the list made to match again.
    void rewriteChecksums() {
        std::string lines;
        for (const char* name :
             {"halcjpeg.dat", "original.avi", "share.mp4", "report.pdf", "event.jpg"}) {
            const std::string file =
                std::string(name) == "halcjpeg.dat" ? name : prefix + std::string(name);
            std::string error;
            lines += fileSha256((package / file).string(), error).value() + "  " + file + "\n";
        }
        ASSERT_TRUE(writeBytes((package / "SHA256SUMS").string(), lines));
    }

    // Another recording's file of the same kind, exported by `write` to `name` in the package.
    void replaceWithOthers(const std::string& name, std::int32_t step, std::uint8_t shade,
                           const std::function<bool(const Recording&, const std::string&,
                                                    const std::string&)>& write) {
        TempFolder elsewhere;
        const std::string otherPath = elsewhere.file("halcjpeg.dat");
        ASSERT_TRUE(writeFile(otherPath, recordingBytes(421, step, shade)));
        Recording other;
        other.setOwner(&owner);
        ASSERT_TRUE(other.load(otherPath));
        const std::string written = elsewhere.file(name);
        ASSERT_TRUE(write(other, otherPath, written));
        // Removed first: MinGW's overwrite_existing has failed under Wine with "File exists".
        fs::remove(package / (prefix + name));
        fs::copy_file(written, package / (prefix + name));
        rewriteChecksums();
    }

    TempFolder temp;
    StandInOwner owner;
    Recording recording;
    std::string recordingPath;
    fs::path package;
    ExportProgress progress;
};

}  // namespace

TEST_F(PackageVerifierTest, AnIntactPackageHoldsFileByFile) {
    const PackageVerification found = verify();
    EXPECT_TRUE(found.holds());
    ASSERT_EQ(found.files.size(), 6u);
    for (const PackageFileCheck& check : found.files) {
        EXPECT_TRUE(check.problems.empty()) << check.name << ": " << check.problems.front();
    }
}

TEST_F(PackageVerifierTest, AnAlteredFileFailsEvenWithItsChecksumRewrittenToMatch) {
    {  // One byte inside a recorded frame of the original clip.
        std::vector<std::uint8_t> clip =
            readFileBytes((package / (prefix + std::string("original.avi"))).string());
        const auto frame =
            std::search(clip.begin(), clip.end(), recording.frameAt(5).jpegData,
                        recording.frameAt(5).jpegData + recording.frameAt(5).jpegSize);
        ASSERT_NE(frame, clip.end());
        *(frame + 200) ^= 0x40;
        ASSERT_TRUE(
            writeFileBytes((package / (prefix + std::string("original.avi"))).string(), clip));
        rewriteChecksums();
        const PackageVerification found = verify();
        EXPECT_FALSE(found.holds());
        EXPECT_EQ(problemsOf(found, prefix + std::string("original.avi")),
                  std::vector<std::string>{
                      "frame 5 (number 436): the clip's bytes are not the recorded JPEG"});
        EXPECT_TRUE(problemsOf(found, "SHA256SUMS").empty());
    }
    // The same pictures at other times: the clip of a recording numbered in steps of 2.
    replaceWithOthers("original.avi", 2, 0,
                      [](const Recording& other, const std::string&, const std::string& to) {
                          ExportProgress progress;
                          return exportClip(other, to, {}, progress).written();
                      });
    EXPECT_EQ(problemsOf(verify(), prefix + std::string("original.avi")),
              std::vector<std::string>{
                  "frame 1 (number 424) is at 2/30 s where the recording puts it at 3/30 s"});
    // The report of another recording.
    replaceWithOthers("report.pdf", 3, 9,
                      [](const Recording& other, const std::string& from, const std::string& to) {
                          ExportProgress progress;
                          return exportReport(other, from, to, {}, progress).written();
                      });
    const PackageVerification found = verify();
    ASSERT_EQ(problemsOf(found, prefix + std::string("report.pdf")).size(), 1u);
    EXPECT_TRUE(problemsOf(found, prefix + std::string("report.pdf"))[0].starts_with(
        "is the report of another recording"));
    // Another frame's JPEG as the event still.
    const FrameRecord frame = recording.frameAt(3);
    ASSERT_TRUE(writeFileBytes(
        (package / (prefix + std::string("event.jpg"))).string(),
        std::span<const std::uint8_t>(frame.jpegData, static_cast<std::size_t>(frame.jpegSize))));
    rewriteChecksums();
    EXPECT_EQ(problemsOf(verify(), prefix + std::string("event.jpg")).size(), 1u);
}

TEST_F(PackageVerifierTest, TheListMustNameEveryFileAndOnlyFilesOfTheFolder) {
    std::ofstream(package / "notes.txt") << "added later\n";
    std::string sums = readBytes((package / "SHA256SUMS").string());
    sums[0] = sums[0] == '0' ? '1' : '0';  // the recording's line no longer matches
    sums += "0123  short line\n";
    sums += std::string(64, 'a') + "  ../halcjpeg.dat\n";
    sums += std::string(64, 'b') + "  gone.bin\n";
    ASSERT_TRUE(writeBytes((package / "SHA256SUMS").string(), sums));
    const PackageVerification found = verify();
    EXPECT_FALSE(found.holds());
    EXPECT_EQ(problemsOf(found, "notes.txt"),
              std::vector<std::string>{"is not named in SHA256SUMS"});
    EXPECT_EQ(problemsOf(found, "gone.bin"), std::vector<std::string>{"is missing"});
    ASSERT_EQ(problemsOf(found, "halcjpeg.dat").size(), 1u);
    EXPECT_TRUE(problemsOf(found, "halcjpeg.dat")[0].starts_with("its SHA-256 is "));
    EXPECT_EQ(problemsOf(found, "SHA256SUMS"),
              (std::vector<std::string>{
                  "line 6 is not \"SHA-256  name\"",
                  "line 7 names \"../halcjpeg.dat\", which is not a file of the package"}));
    EXPECT_EQ(problemsOf(found, "../halcjpeg.dat"), std::vector<std::string>{"absent"});

    fs::remove(package / "SHA256SUMS");
    EXPECT_FALSE(verify().holds());
    EXPECT_EQ(verifyEvidencePackage(recordingPath, progress).refusal,
              recordingPath + ": is not a folder");
}

// Japanese names reach the system as themselves (on Windows through the wide calls, not the
// ANSI code page): a package of an undated recording named in Japanese, in a Japanese folder,
// is written under those names and holds.
TEST(PackageNames, AJapaneseRecordingInAJapaneseFolderMakesAPackageThatHolds) {
    TempFolder temp;
    const std::string folder = temp.file("\xE8\xA8\xBC\xE6\x8B\xA0");  // 証拠
    ASSERT_TRUE(fs::create_directory(fileOps::fsPath(folder)));
    const std::string path = folder + "/\xE8\xA8\x98\xE9\x8C\xB2.dat";  // 記録.dat
    std::vector<std::uint8_t> undated;
    for (std::int32_t i = 0; i < 3; ++i) {
        appendFrame(undated, 451 + i, encodeJpeg(16, 16, std::vector<std::uint8_t>(16 * 16 * 3, 90), {}));
    }
    ASSERT_TRUE(writeFile(path, undated));
    StandInOwner owner;
    Recording recording;
    recording.setOwner(&owner);
    ASSERT_TRUE(recording.load(path));
    ExportProgress progress;
    const std::string package = folder + "/\xE4\xB8\x80\xE5\xBC\x8F";  // 一式
    ASSERT_TRUE(exportEvidencePackage(recording, path, package, {}, progress).written());

    const fs::path where = fileOps::fsPath(temp.path()) / u8"証拠" / u8"一式";
    EXPECT_TRUE(fs::is_regular_file(where / u8"記録.dat"));
    EXPECT_TRUE(fs::is_regular_file(where / u8"記録-original.avi"));
    EXPECT_TRUE(fs::is_regular_file(where / u8"記録-report.pdf"));
    EXPECT_TRUE(verifyEvidencePackage(package, progress).holds());
}
