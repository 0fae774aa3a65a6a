#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include <QImage>

#include "EvidencePackage.h"
#include "ExifSegment.h"
#include "JpegEncoder.h"
#include "Recording.h"
#include "RecordingFileWriter.h"
#include "ReportExport.h"
#include "StandInOwner.h"
#include "StillExport.h"

namespace fs = std::filesystem;

namespace {

using Status = ExportResult::Status;

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Standard output of a shell command.
std::string run(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char block[4096];
    while (const std::size_t got = std::fread(block, 1, sizeof block, pipe)) {
        output.append(block, got);
    }
    pclose(pipe);
    return output;
}

// Cancels once the whole export has come `at` steps far.
class CancelAt final : public ExportProgress {
public:
    explicit CancelAt(std::uint64_t step) : at(step) {}
    void advance(std::uint64_t done, std::uint64_t) override {
        if (done >= at) {
            cancel();
        }
    }

private:
    std::uint64_t at;
};

class EvidenceExportTest : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("halcyra-evidence-" + std::to_string(::getpid()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        recording.setOwner(&owner);
    }
    void TearDown() override { fs::remove_all(folder); }

    // Frames 421 to 481 (-1 s to +1 s), 32 x 24, the first dated; `damaged` cuts that index
    // before its scan.
    void load(const std::string& date = "2026:11:28 14:35:07", int damaged = -1) {
        std::vector<std::uint8_t> file;
        jpegs.clear();
        for (std::int32_t number = 421, i = 0; number <= 481; number += 3, ++i) {
            std::vector<std::uint8_t> rgb(32 * 24 * 3);
            for (std::size_t p = 0; p < rgb.size(); ++p) {
                rgb[p] = static_cast<std::uint8_t>(p * 7 + static_cast<std::size_t>(i) * 40);
            }
            JpegEncodeOptions options;
            if (i == 0 && !date.empty()) {
                options.app1 = makeExifSegment(date);
            }
            std::vector<std::uint8_t> jpeg = encodeJpeg(32, 24, rgb, options);
            for (std::size_t at = 0; i == damaged && at + 1 < jpeg.size(); ++at) {
                if (jpeg[at] == 0xFF && jpeg[at + 1] == 0xDA) {
                    jpeg.resize(at);
                    break;
                }
            }
            appendFrame(file, number, jpeg);
            jpegs.push_back(jpeg);
        }
        recordingPath = (folder / "halcjpeg.dat").string();
        ASSERT_TRUE(writeFile(recordingPath, file));
        ASSERT_TRUE(recording.load(recordingPath));
    }

    std::string bytesOf(std::size_t index) const {
        return {jpegs[index].begin(), jpegs[index].end()};
    }

    fs::path folder;
    std::string recordingPath;
    StandInOwner owner;
    Recording recording;
    std::vector<std::vector<std::uint8_t>> jpegs;
    ExportProgress progress;
};

}  // namespace

TEST_F(EvidenceExportTest, StillsKeepTheRecordedBytesOrShowThePictureAsTheViewerDoes) {
    load("2026:11:28 14:35:07", 11);
    const fs::path jpg = folder / "event.JPG";
    ASSERT_EQ(exportStill(recording, 10, jpg.string(), {}, progress).status, Status::Written);
    EXPECT_EQ(slurp(jpg), bytesOf(10));  // EXIF-less here; frame 0's EXIF below
    ASSERT_TRUE(exportStill(recording, 0, (folder / "first.jpg").string(), {}, progress).written());
    EXPECT_EQ(slurp(folder / "first.jpg"), bytesOf(0));

    // An existing file is kept unless replacing is allowed.
    EXPECT_EQ(exportStill(recording, 3, jpg.string(), {}, progress).status, Status::Refused);
    EXPECT_EQ(slurp(jpg), bytesOf(10));

    const std::string plain = (folder / "plain.png").string();
    const std::string timed = (folder / "timed.png").string();
    ASSERT_EQ(exportStill(recording, 10, plain, {}, progress).status, Status::Written);
    ASSERT_EQ(exportStill(recording, 10, timed, {true, false, {}, nullptr}, progress).status, Status::Written);
    const QImage plainImage(QString::fromStdString(plain));
    const QImage timedImage(QString::fromStdString(timed));
    EXPECT_EQ(plainImage.size(), QSize(32, 24));
    EXPECT_EQ(plainImage.copy(0, 0, 32, 8), timedImage.copy(0, 0, 32, 8));
    EXPECT_NE(plainImage, timedImage);  // the band at the bottom

    // A damaged frame shows over the frame before it, as in playback, and says so.
    const ExportResult damaged = exportStill(recording, 11, (folder / "d.ppm").string(), {}, progress);
    EXPECT_EQ(damaged.status, Status::WrittenWithDamage);
    EXPECT_NE(damaged.message.find("frame 11"), std::string::npos);
    EXPECT_EQ(exportStill(recording, 99, (folder / "x.png").string(), {}, progress).status,
              Status::Refused);
}

TEST_F(EvidenceExportTest, TheReportNamesTheFileItsHashAndDateAsExtractableText) {
    load();
    const fs::path pdf = folder / "report.pdf";
    ReportOptions options;
    options.programVersion = "9, 8, 7, 6";
    ASSERT_EQ(exportReport(recording, recordingPath, pdf.string(), options, progress).status,
              Status::Written);
    const std::string text = run("pdftotext -enc UTF-8 '" + pdf.string() + "' -");
    const std::string hash = run("sha256sum '" + recordingPath + "' | cut -c1-64");
    ASSERT_EQ(hash.size(), 65u);
    EXPECT_NE(text.find(hash.substr(0, 64)), std::string::npos) << text;
    EXPECT_NE(text.find("2026:11:28 14:35:07"), std::string::npos);
    EXPECT_NE(text.find("報告書"), std::string::npos);
    EXPECT_NE(text.find("halcjpeg.dat"), std::string::npos);
    EXPECT_NE(text.find("2026/11/28 14:35:08"), std::string::npos);  // the event's time of day
    EXPECT_NE(text.find("9.8.7.6"), std::string::npos);  // as the About box shows it
    // The facts and pictures fill the first page; the record of the steps is on the second.
    EXPECT_EQ(run("pdfinfo '" + pdf.string() + "' | grep '^Pages:' | tr -s ' '"), "Pages: 2\n");
    EXPECT_NE(text.find("処理の記録"), std::string::npos);
    EXPECT_EQ(text.find("時計の補正"), std::string::npos);  // nothing about a clock not corrected
    // pdffonts: name, type, encoding, then "emb sub uni"; every font embedded with a Unicode map.
    const std::string fonts = run("pdffonts '" + pdf.string() + "' | tail -n +3");
    EXPECT_NE(fonts.find("IPAPGothic "), std::string::npos) << fonts;
    std::istringstream lines(fonts);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_NE(line.find("Identity-H       yes no  yes"), std::string::npos) << line;
    }

    // Refused: an existing target, an empty recording; cancelled: nothing left.
    EXPECT_EQ(exportReport(recording, recordingPath, pdf.string(), options, progress).status,
              Status::Refused);
    Recording empty;
    EXPECT_EQ(exportReport(empty, recordingPath, (folder / "e.pdf").string(), options, progress)
                  .status,
              Status::Refused);
    CancelAt cancel(3);
    EXPECT_EQ(exportReport(recording, recordingPath, (folder / "c.pdf").string(), options, cancel)
                  .status,
              Status::Cancelled);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 2);
}

TEST_F(EvidenceExportTest, ALibraryRecordingsReportShowsItsVehicleDriverAndNoteOnTheFirstPage) {
    load();
    const fs::path pdf = folder / "library.pdf";
    ReportOptions options;
    options.userFields = ReportUserFields{"品川 300 あ 12-34", "", "交差点で\n急停止"};
    ASSERT_EQ(exportReport(recording, recordingPath, pdf.string(), options, progress).status,
              Status::Written);
    const std::string first = run("pdftotext -enc UTF-8 -l 1 '" + pdf.string() + "' -");
    EXPECT_NE(first.find("品川 300 あ 12-34"), std::string::npos) << first;
    EXPECT_NE(first.find("運転者"), std::string::npos);
    EXPECT_NE(first.find("（記入されていません）"), std::string::npos);
    EXPECT_NE(first.find("交差点で 急停止"), std::string::npos);
    // The page keeps everything it held: the pictures and their times, the program's line.
    EXPECT_NE(first.find("2026/11/28 14:35:08"), std::string::npos);
    EXPECT_NE(first.find("作成ソフト"), std::string::npos);
    EXPECT_EQ(run("pdfinfo '" + pdf.string() + "' | grep '^Pages:' | tr -s ' '"), "Pages: 2\n");

    // A recording that is no library entry says nothing of them.
    const fs::path plain = folder / "plain.pdf";
    ASSERT_EQ(exportReport(recording, recordingPath, plain.string(), {}, progress).status,
              Status::Written);
    EXPECT_EQ(run("pdftotext -enc UTF-8 '" + plain.string() + "' -").find("運転者"), std::string::npos);
}

TEST_F(EvidenceExportTest, ThePackagesChecksumsProveEveryOtherFile) {
    load();
    const fs::path package = folder / "out" / "package";
    ASSERT_EQ(exportEvidencePackage(recording, recordingPath, package.string(), {}, progress)
                  .status,
              Status::Written);
    const std::set<std::string> expected{"halcjpeg.dat",
                                         "20261128-143507-original.avi",
                                         "20261128-143507-share.mp4",
                                         "20261128-143507-report.pdf",
                                         "20261128-143507-event.jpg",
                                         "SHA256SUMS"};
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(package)) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, expected);
    EXPECT_EQ(slurp(package / "halcjpeg.dat"), slurp(recordingPath));
    EXPECT_EQ(slurp(package / "20261128-143507-event.jpg"), bytesOf(10));
    const std::string check =
        run("cd '" + package.string() + "' && sha256sum -c SHA256SUMS 2>&1 && echo proven");
    EXPECT_NE(check.find("proven"), std::string::npos) << check;
    EXPECT_EQ(std::count(check.begin(), check.end(), '\n'), 6) << check;

    // A folder that holds files is refused and left as it was.
    EXPECT_EQ(exportEvidencePackage(recording, recordingPath, package.string(), {}, progress)
                  .status,
              Status::Refused);
    EXPECT_EQ(std::distance(fs::directory_iterator(package), {}), 6);
}

TEST_F(EvidenceExportTest, ACancelOrFailureAnywhereInThePackageLeavesNothing) {
    load("");
    EXPECT_EQ(packageFileNames(recording, recordingPath).report, "halcjpeg-report.pdf");
    const fs::path package = folder / "new" / "package";
    // One step in every file's share of the whole (copy, clips, report, still, checksums).
    for (const std::uint64_t at : {1u, 3000u, 30000u, 90000u, 97500u, 98000u}) {
        CancelAt cancel(at);
        EXPECT_EQ(exportEvidencePackage(recording, recordingPath, package.string(), {}, cancel)
                      .status,
                  Status::Cancelled)
            << at;
        EXPECT_FALSE(fs::exists(folder / "new")) << at;
    }
    // A full disk (a file size limit fails the writes the same way): nothing left, and why.
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 4 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    const ExportResult full =
        exportEvidencePackage(recording, recordingPath, package.string(), {}, progress);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousSignal);
    EXPECT_EQ(full.status, Status::Failed);
    EXPECT_NE(full.message.find("File too large"), std::string::npos) << full.message;
    EXPECT_FALSE(fs::exists(folder / "new"));

    // A recording that cannot be read for the copy: nothing in a folder that existed before.
    fs::create_directories(package);
    fs::remove(recordingPath);
    const ExportResult failed =
        exportEvidencePackage(recording, recordingPath, package.string(), {}, progress);
    EXPECT_EQ(failed.status, Status::Failed);
    EXPECT_NE(failed.message.find(recordingPath), std::string::npos);
    EXPECT_TRUE(fs::is_empty(package));
}

TEST_F(EvidenceExportTest, ACorrectedClockShowsBothTimesWithTheOffsetAndTheReason) {
    load("2026:11:28 23:59:50");
    const fs::path pdf = folder / "report.pdf";
    ReportOptions options;
    options.clock = {65'500, "GPS の時刻と比べて"};
    options.outputs.push_back({"x-share.mp4", "共有用の動画", "H.264 CRF 20", 1234, std::string(64, 'e')});
    ASSERT_EQ(exportReport(recording, recordingPath, pdf.string(), options, progress).status,
              Status::Written);
    const std::string text = run("pdftotext -enc UTF-8 '" + pdf.string() + "' -");
    EXPECT_NE(text.find("時計の補正 +65.5 秒"), std::string::npos) << text;
    EXPECT_NE(text.find("GPS の時刻と比べて"), std::string::npos);
    // The event frame, one second after the first: recorded before midnight, corrected after.
    EXPECT_NE(text.find("2026/11/28 23:59:51"), std::string::npos) << text;
    EXPECT_NE(text.find("2026/11/29 00:00:56"), std::string::npos) << text;
    // The record: the recording received, then what was written with the report.
    const std::size_t received = text.find("受け取った録画");
    const std::size_t written = text.find("共有用の動画");
    ASSERT_NE(received, std::string::npos);
    EXPECT_GT(written, received);
    EXPECT_NE(text.find(std::string(64, 'e')), std::string::npos);

    // Stills: the overlay's time of day corrected and marked, the picture otherwise as before
    // (on the sample, whose pictures are wide enough for the whole text).
    Recording sample;
    sample.setOwner(&owner);
    ASSERT_TRUE(sample.load(HALCYRA_SAMPLE_PATH));
    StillOptions still;
    still.overlay = true;
    ASSERT_TRUE(exportStill(sample, 10, (folder / "plain.png").string(), still, progress).written());
    still.clock.offsetMilliseconds = 0;
    ASSERT_TRUE(exportStill(sample, 10, (folder / "marked.png").string(), still, progress).written());
    const QImage plain((folder / "plain.png").string().c_str());
    const QImage marked((folder / "marked.png").string().c_str());
    ASSERT_EQ(plain.size(), marked.size());
    EXPECT_NE(plain, marked);  // the mark
    EXPECT_EQ(plain.copy(0, 0, plain.width(), plain.height() / 2),
              marked.copy(0, 0, marked.width(), marked.height() / 2));
}

TEST_F(EvidenceExportTest, AReplacingPackageThatFailsOrIsCancelledLeavesTheOldFilesAsTheyWere) {
    load();
    const fs::path package = folder / "package";
    const PackageFileNames names = packageFileNames(recording, recordingPath);
    // The old package: other bytes under every one of the package's names, and a file of the
    // user's that is no part of it.
    std::map<std::string, std::string> before;
    for (const std::string& name : {names.recording, names.originalClip, names.shareClip,
                                    names.report, names.eventStill, names.checksums,
                                    std::string("notes.txt")}) {
        before[name] = "old " + name + "\n";
    }
    fs::create_directories(package);
    for (const auto& [name, bytes] : before) {
        std::ofstream(package / name, std::ios::binary) << bytes;
    }
    const auto expectUnchanged = [&](const std::string& when) {
        std::map<std::string, std::string> now;
        for (const auto& entry : fs::directory_iterator(package)) {
            now[entry.path().filename().string()] = slurp(entry.path());
        }
        EXPECT_EQ(now, before) << when;
    };
    PackageOptions replacing;
    replacing.replace = true;

    // A disk that fills halfway: the copy of the recording fits, the original clip does not.
    const auto limit = static_cast<rlim_t>(fs::file_size(recordingPath) + 512);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &small);
    const ExportResult full =
        exportEvidencePackage(recording, recordingPath, package.string(), replacing, progress);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousSignal);
    EXPECT_EQ(full.status, Status::Failed);
    EXPECT_NE(full.message.find("File too large"), std::string::npos) << full.message;
    expectUnchanged("full disk");

    // A cancel in every file's share.
    for (const std::uint64_t at : {1u, 3000u, 30000u, 90000u, 97500u, 98000u}) {
        CancelAt cancel(at);
        EXPECT_EQ(exportEvidencePackage(recording, recordingPath, package.string(), replacing,
                                        cancel)
                      .status,
                  Status::Cancelled)
            << at;
        expectUnchanged("cancel at " + std::to_string(at));
    }

    // Complete, the new package replaces the old files of its names; the user's file stays.
    ASSERT_EQ(
        exportEvidencePackage(recording, recordingPath, package.string(), replacing, progress)
            .status,
        Status::Written);
    EXPECT_EQ(slurp(package / names.recording), slurp(recordingPath));
    EXPECT_EQ(slurp(package / "notes.txt"), before["notes.txt"]);
    EXPECT_EQ(std::distance(fs::directory_iterator(package), {}), 7);
    const std::string check =
        run("cd '" + package.string() + "' && sha256sum -c SHA256SUMS 2>&1 && echo proven");
    EXPECT_NE(check.find("proven"), std::string::npos) << check;
}

// What a run that crashed left (its staging folder with a half-written share copy) is no
// reason to refuse the folder: the next run clears it and writes the whole package.
TEST_F(EvidenceExportTest, APackageLeftUnfinishedIsClearedByTheNextRun) {
    load();
    const fs::path package = folder / "crashed";
    fs::create_directories(package / ".halcyra-package-1" / "new");
    fs::create_directories(package / ".halcyra-package-1" / "old");
    fs::copy_file(recordingPath, package / ".halcyra-package-1" / "new" / "halcjpeg.dat");
    std::ofstream(package / ".halcyra-package-1" / "new" / ".share.mp4.Ab12Cd") << "half";
    const ExportResult result =
        exportEvidencePackage(recording, recordingPath, package.string(), PackageOptions{}, progress);
    ASSERT_EQ(result.status, Status::Written) << result.message;
    for (const auto& entry : fs::directory_iterator(package)) {
        EXPECT_NE(entry.path().filename().string().rfind(".halcyra-package-", 0), 0U)
            << entry.path();
    }
    EXPECT_EQ(std::system(("cd '" + package.string() + "' && sha256sum --quiet -c SHA256SUMS").c_str()), 0);
}
