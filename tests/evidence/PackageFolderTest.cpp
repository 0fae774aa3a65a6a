#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "PackageFolder.h"
#include "TempFolder.h"

namespace fs = std::filesystem;

namespace {

// A staging folder left by a run that stopped (a crash, a power cut) is cleared by the next
// run into the same folder, which finds the folder holding one whole package.
class PackageFolderTest : public testing::Test {
protected:
    void write(const fs::path& path, const std::string& text) {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    std::map<std::string, std::string> contents() const {
        std::map<std::string, std::string> now;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.is_regular_file()) {
                std::ifstream in(entry.path(), std::ios::binary);
                now[fs::relative(entry.path(), folder).generic_string()] = {
                    std::istreambuf_iterator<char>(in), {}};
            } else {
                now[fs::relative(entry.path(), folder).generic_string() + "/"] = "";
            }
        }
        return now;
    }
    // A new run's create(): the staging folder it makes is left out of what it finds.
    std::map<std::string, std::string> afterNextRun() {
        PackageFolder next(folder);
        std::string error;
        EXPECT_TRUE(next.create(error)) << error;
        const std::string own =
            fs::path(next.stagedPathOf("x")).parent_path().parent_path().filename().string();
        std::map<std::string, std::string> now = contents();
        std::erase_if(now, [&](const auto& entry) { return entry.first.rfind(own, 0) == 0; });
        return now;
    }

    TempFolder temp;
    fs::path folder = fs::path(temp.path()) / "package";
};

TEST_F(PackageFolderTest, ALeftoverWhileStagingGoesAndTheOldPackageStays) {
    write(folder / "SHA256SUMS", "old sums");
    write(folder / "notes.txt", "the user's");
    write(folder / ".halcyra-package-1/new/halcjpeg.dat", "half a copy");
    fs::create_directories(folder / ".halcyra-package-1/old");
    // Names that only look alike are not ours to take.
    write(folder / ".halcyra-package-2", "a file");
    write(folder / ".halcyra-package-x/keep.txt", "kept");
    EXPECT_EQ(afterNextRun(), (std::map<std::string, std::string>{
                                  {".halcyra-package-2", "a file"},
                                  {".halcyra-package-x/", ""},
                                  {".halcyra-package-x/keep.txt", "kept"},
                                  {"SHA256SUMS", "old sums"},
                                  {"notes.txt", "the user's"}}));
}

TEST_F(PackageFolderTest, ARunStoppedWhilePlacingGivesTheOldPackageBack) {
    // Placed: a.dat (its old copy aside). Moved aside, not yet replaced: b.pdf. Waiting: SUMS.
    write(folder / "a.dat", "new a");
    write(folder / "SHA256SUMS", "old sums");
    write(folder / "notes.txt", "the user's");
    write(folder / ".halcyra-package-3/old/a.dat", "old a");
    write(folder / ".halcyra-package-3/old/b.pdf", "old b");
    write(folder / ".halcyra-package-3/new/b.pdf", "new b");
    write(folder / ".halcyra-package-3/new/SHA256SUMS", "new sums");
    EXPECT_EQ(afterNextRun(), (std::map<std::string, std::string>{{"SHA256SUMS", "old sums"},
                                                                  {"a.dat", "old a"},
                                                                  {"b.pdf", "old b"},
                                                                  {"notes.txt", "the user's"}}));
}

TEST_F(PackageFolderTest, ARunStoppedAfterPlacingEverythingKeepsTheNewPackage) {
    write(folder / "a.dat", "new a");
    write(folder / "SHA256SUMS", "new sums");
    write(folder / ".halcyra-package-1/old/a.dat", "old a");
    write(folder / ".halcyra-package-1/old/SHA256SUMS", "old sums");
    fs::create_directories(folder / ".halcyra-package-1/new");
    EXPECT_EQ(afterNextRun(), (std::map<std::string, std::string>{{"SHA256SUMS", "new sums"},
                                                                  {"a.dat", "new a"}}));
}

}  // namespace
