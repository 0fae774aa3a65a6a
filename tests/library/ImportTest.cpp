// The verified import and the listing: what a card holds ends up in the library once, whole,
// and nothing else is left behind or changed.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "ExifSegment.h"
#include "FileBytes.h"
#include "Importer.h"
#include "JpegEncoder.h"
#include "Library.h"
#include "RecordingFileWriter.h"
#include "Sha256.h"
#include "Sidecar.h"
#include "TempFolder.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> recording(int frames, const std::string& date, std::uint8_t shade) {
    const std::vector<std::uint8_t> rgb(16 * 16 * 3, shade);
    JpegEncodeOptions options;
    options.app1 = makeExifSegment(date);
    const std::vector<std::uint8_t> jpeg = encodeJpeg(16, 16, rgb, options);
    std::vector<std::uint8_t> file;
    for (int i = 1; i <= frames; ++i) {
        appendFrame(file, i, jpeg);
    }
    return file;
}

// Everything under `folder`, names only, so a test can say nothing was left behind.
std::vector<std::string> tree(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(folder, error)) {
        names.push_back(fs::relative(entry.path(), folder).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class Import : public ::testing::Test {
protected:
    TempFolder card;
    TempFolder place;
    std::string root = place.file("lib");
};

}  // namespace

TEST_F(Import, CopiesVerifiedSkipsStrayFilesAndNeverCopiesTwice) {
    const auto first = recording(5, "2026:11:28 14:35:07", 40);
    fs::create_directories(card.file("DCIM/100"));
    ASSERT_TRUE(writeFileBytes(card.file("DCIM/100/halcjpeg.dat"), first));
    ASSERT_TRUE(writeBytes(card.file("halc.inf"), "[Config]\nFrontBack=5\n"));

    Importer importer{Library(root)};
    const auto results = importer.importSources({card.path()});
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].status, ImportResult::Status::Imported) << results[0].reason;
    EXPECT_EQ(results[1].status, ImportResult::Status::Skipped);
    EXPECT_NE(results[1].reason.find("not a recording"), std::string::npos);

    std::string error;
    const std::string sha = *Sha256::ofFile(card.file("DCIM/100/halcjpeg.dat"), error);
    EXPECT_EQ(results[0].sha256, sha);
    EXPECT_EQ(results[0].path, root + "/2026-11-28_143507_" + sha.substr(0, 8) + "/halcjpeg.dat");
    EXPECT_EQ(readFileBytes(results[0].path), first);

    const auto entries = Library(root).entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].sidecarProblem, "");
    EXPECT_EQ(entries[0].frames, 5u);
    EXPECT_EQ(entries[0].firstTime, "-15.000");
    EXPECT_EQ(entries[0].lastTime, "-14.867");  // frame 5: 100 + 33 ms after frame 4
    EXPECT_TRUE(entries[0].complete);
    EXPECT_EQ(entries[0].size, first.size());

    // The same file under another name, somewhere else: present, not copied.
    ASSERT_TRUE(writeFileBytes(card.file("copy.dat"), first));
    const ImportResult again = Importer(Library(root)).importFile(card.file("copy.dat"));
    EXPECT_EQ(again.status, ImportResult::Status::Present);
    EXPECT_EQ(again.path, results[0].path);
    EXPECT_EQ(Library(root).entries().size(), 1u);
    EXPECT_EQ(tree(root).size(), 3u);  // one folder, the recording and recording.json
}

// A file already on the library's disk is moved in, checked against the hash it was received
// with; a recording without a capture date is still found when it is there already.
TEST_F(Import, AdoptedFilesAreMovedInOnlyWhenTheirHashHolds) {
    std::string error;
    ASSERT_TRUE(Library(root).ensureRoot(error)) << error;
    const auto bytes = recording(3, "not a date", 70);
    const auto staged = [&](const std::string& name) {
        fs::create_directories(root + "/.staging");
        const std::string path = root + "/.staging/" + name;
        EXPECT_TRUE(writeFileBytes(path, bytes));
        return path;
    };
    const std::string sha = *Sha256::ofFile(staged("halcjpeg.dat"), error);

    const ImportResult wrong = Importer(Library(root)).adoptFile(root + "/.staging/halcjpeg.dat",
                                                                 std::string(64, 'b'), "halcjpeg.dat", "upload");
    EXPECT_EQ(wrong.status, ImportResult::Status::Failed);
    EXPECT_NE(wrong.reason.find(sha), std::string::npos) << wrong.reason;
    EXPECT_TRUE(Library(root).entries().empty());

    const ImportResult taken =
        Importer(Library(root)).adoptFile(staged("halcjpeg.dat"), sha, "halcjpeg.dat", "upload from depot");
    ASSERT_EQ(taken.status, ImportResult::Status::Imported) << taken.reason;
    EXPECT_EQ(readFileBytes(taken.path), bytes);
    EXPECT_FALSE(fs::exists(root + "/.staging/halcjpeg.dat"));
    const auto entries = Library(root).entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].source, "upload from depot");
    EXPECT_EQ(entries[0].frames, 3u);

    const ImportResult again = Importer(Library(root)).adoptFile(staged("again.dat"), sha, "again.dat", "upload");
    EXPECT_EQ(again.status, ImportResult::Status::Present);
    EXPECT_EQ(again.path, taken.path);
    fs::remove_all(root + "/.staging");
    EXPECT_EQ(tree(root).size(), 3u);  // no staging folder of the importer's left either
}

TEST_F(Import, CutRecordingIsImportedAsIncomplete) {
    auto bytes = recording(4, "2026:11:28 14:35:07", 90);
    bytes.resize(bytes.size() - 7);
    ASSERT_TRUE(writeFileBytes(card.file("cut.dat"), bytes));
    const ImportResult result = Importer(Library(root)).importFile(card.file("cut.dat"));
    ASSERT_EQ(result.status, ImportResult::Status::Imported) << result.reason;
    EXPECT_FALSE(result.complete);
    const auto entries = Library(root).entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_FALSE(entries[0].complete);
    EXPECT_EQ(entries[0].frames, 3u);
    EXPECT_EQ(readFileBytes(entries[0].path), bytes);
}

TEST_F(Import, BrokenSidecarIsReportedAndTheRecordingStillListed) {
    ASSERT_TRUE(writeFileBytes(card.file("a.dat"), recording(3, "2026:11:28 14:35:07", 10)));
    const ImportResult result = Importer(Library(root)).importFile(card.file("a.dat"));
    ASSERT_EQ(result.status, ImportResult::Status::Imported);
    const std::string folder = fs::path(result.path).parent_path().string();
    for (const std::string& broken : {std::string("{\"formatVersion\": 1, \"sha256\": 5"),
                                     std::string("[]"), std::string("{\"formatVersion\": 1, "
                                     "\"fileName\": \"../x\", \"sha256\": \"" + result.sha256 + "\"}")}) {
        ASSERT_TRUE(writeBytes(folder + "/recording.json", broken));
        const auto entries = Library(root).entries();
        ASSERT_EQ(entries.size(), 1u) << broken;
        EXPECT_NE(entries[0].sidecarProblem, "") << broken;
        EXPECT_EQ(entries[0].path, result.path);
        EXPECT_EQ(entries[0].captureDate, "2026:11:28 14:35:07");
        // A broken file is the user's to mend: saving over it is refused, it stays as it was.
        std::string error;
        EXPECT_FALSE(Library(root).saveUserFields(entries[0], error));
        EXPECT_EQ(readBytes(folder + "/recording.json"), broken);
        // Its hash is still found from the file, so it is not imported twice.
        EXPECT_EQ(Importer(Library(root)).importFile(card.file("a.dat")).status,
                  ImportResult::Status::Present);
    }
}

TEST_F(Import, UserFieldsAreSavedAndKeepUnknownKeys) {
    ASSERT_TRUE(writeFileBytes(card.file("a.dat"), recording(2, "2026:01:02 03:04:05", 10)));
    const ImportResult result = Importer(Library(root)).importFile(card.file("a.dat"));
    ASSERT_EQ(result.status, ImportResult::Status::Imported);
    auto entry = Library(root).entries().at(0);
    const std::string json = entry.folder + "/recording.json";
    std::string text = readBytes(json);
    text.insert(1, "\"fleet\": \"北\",");
    ASSERT_TRUE(writeBytes(json, text));
    entry.vehicle = "品川 300 あ 12-34";
    entry.driver = "山田";
    entry.note = "交差点で急停止\n\"引用\"";
    entry.clockOffset = -2.5;
    std::string error;
    ASSERT_TRUE(Library(root).saveUserFields(entry, error)) << error;
    const auto saved = Library(root).entries().at(0);
    EXPECT_EQ(saved.vehicle, entry.vehicle);
    EXPECT_EQ(saved.note, entry.note);
    EXPECT_EQ(saved.clockOffset, -2.5);
    EXPECT_EQ(saved.sha256, result.sha256);
    EXPECT_NE(readBytes(json).find("fleet"), std::string::npos);
    EXPECT_EQ(tree(entry.folder).size(), 2u);  // no temporary file left
}

// Root reads anything, so the read-only card is tried by "nobody" in a child process.
TEST_F(Import, ReadOnlySourceImportsAndIsLeftUnchanged) {
    const auto bytes = recording(3, "2026:11:28 14:35:07", 60);
    ASSERT_TRUE(writeFileBytes(card.file("halcjpeg.dat"), bytes));
    struct stat before {};
    ASSERT_EQ(stat(card.file("halcjpeg.dat").c_str(), &before), 0);
    chmod(card.file("halcjpeg.dat").c_str(), 0444);
    chmod(card.path().c_str(), 0555);
    chmod(place.path().c_str(), 0777);
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(99);
        }
        const auto result = Importer(Library(root)).importFile(card.file("halcjpeg.dat"));
        _exit(result.status == ImportResult::Status::Imported ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    chmod(card.path().c_str(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    struct stat after {};
    ASSERT_EQ(stat(card.file("halcjpeg.dat").c_str(), &after), 0);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(readFileBytes(card.file("halcjpeg.dat")), bytes);
    EXPECT_EQ(tree(card.path()), std::vector<std::string>{"halcjpeg.dat"});
    EXPECT_EQ(Library(root).entries().size(), 1u);
}

// A library on a disk too small for the second recording keeps the first and nothing else.
TEST_F(Import, FullDiskLeavesNothingAndKeepsWhatCameBefore) {
    fs::create_directories(root);
    if (mount("tmpfs", root.c_str(), "tmpfs", 0, "size=256k") != 0) {
        GTEST_SKIP() << "no tmpfs could be mounted";
    }
    ASSERT_TRUE(writeFileBytes(card.file("a.dat"), recording(2, "2026:11:28 14:35:07", 20)));
    // Big enough to pass the free-space check only before the first copy took its share.
    std::vector<std::uint8_t> big = recording(1, "2026:11:28 14:36:00", 30);
    big.resize(240 * 1024, 0x55);
    ASSERT_TRUE(writeFileBytes(card.file("b.dat"), big));
    const auto results = Importer(Library(root)).importSources({card.path()});
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].status, ImportResult::Status::Imported);
    EXPECT_EQ(results[1].status, ImportResult::Status::Failed);
    EXPECT_NE(results[1].reason.find(root), std::string::npos) << results[1].reason;
    const auto left = tree(root);
    umount(root.c_str());
    EXPECT_EQ(left.size(), 3u);  // the first recording's folder and its two files
}

// Two processes importing the same card at once end with one folder for it.
TEST_F(Import, ConcurrentImportsMakeOneFolder) {
    ASSERT_TRUE(writeFileBytes(card.file("a.dat"), recording(40, "2026:11:28 14:35:07", 70)));
    std::vector<pid_t> children;
    for (int i = 0; i < 4; ++i) {
        const pid_t child = fork();
        if (child == 0) {
            const auto result = Importer(Library(root)).importFile(card.file("a.dat"));
            _exit(result.status == ImportResult::Status::Imported ||
                          result.status == ImportResult::Status::Present
                      ? 0
                      : 1);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(tree(root).size(), 3u);
    EXPECT_EQ(Library(root).entries().size(), 1u);
}

// An import killed mid-copy left its staging folder at the library's root; the next import
// clears it, and leaves alone one that another import is writing into now.
TEST_F(Import, LeftoversOfStoppedImportsAreClearedRunningOnesKept) {
    fs::create_directories(root + "/.import-kill01");
    fs::create_directories(root + "/.import-live01");
    fs::create_directories(root + "/.importantStuff");
    ASSERT_TRUE(writeBytes(root + "/.import-kill01/halcjpeg.dat", "half a copy"));
    ASSERT_TRUE(writeBytes(root + "/.import-live01/halcjpeg.dat", "a copy going on"));
    const auto twoHoursAgo = fs::file_time_type::clock::now() - std::chrono::hours(2);
    fs::last_write_time(root + "/.import-kill01/halcjpeg.dat", twoHoursAgo);
    fs::last_write_time(root + "/.import-kill01", twoHoursAgo);
    fs::last_write_time(root + "/.importantStuff", twoHoursAgo);
    // An old folder whose file is being written is a running import's.
    fs::last_write_time(root + "/.import-live01", twoHoursAgo);

    ASSERT_TRUE(writeFileBytes(card.file("a.dat"), recording(3, "2026:11:28 14:35:07", 90)));
    const auto result = Importer(Library(root)).importFile(card.file("a.dat"));
    EXPECT_EQ(result.status, ImportResult::Status::Imported) << result.reason;
    EXPECT_FALSE(fs::exists(root + "/.import-kill01"));
    EXPECT_TRUE(fs::exists(root + "/.import-live01/halcjpeg.dat"));
    EXPECT_TRUE(fs::exists(root + "/.importantStuff"));
    EXPECT_EQ(Library(root).entries().size(), 1u);
}

TEST(SidecarRead, RefusesValuesOfTheWrongKind) {
    LibraryEntry entry;
    const std::string sha(64, 'a');
    EXPECT_EQ(sidecar::parse("{\"formatVersion\": 1, \"fileName\": \"a.dat\", \"sha256\": \"" +
                                 sha + "\", \"size\": 12}",
                             entry),
              "");
    EXPECT_EQ(entry.size, 12u);
    for (const std::string& bad : {"{\"formatVersion\": 1, \"fileName\": \"a.dat\", \"sha256\": \"" +
                                      sha + "\", \"size\": -1}",
                                  "{\"formatVersion\": 1, \"fileName\": \"a.dat\", \"sha256\": \"" +
                                      sha + "\", \"size\": 1e300}",
                                  "{\"formatVersion\": 1, \"fileName\": \"a.dat\", \"sha256\": \"" +
                                      sha.substr(1) + "\"}",
                                  "{\"formatVersion\": 1, \"fileName\": \"a.dat\", \"sha256\": \"" +
                                      sha + "\", \"note\": 3}",
                                  std::string("{\"formatVersion\": 2.5}"), std::string("\"x\"")}) {
        LibraryEntry other;
        EXPECT_NE(sidecar::parse(bad, other), "") << bad;
    }
}
