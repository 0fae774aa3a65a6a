#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TargetFile.h"

namespace fs = std::filesystem;

namespace {

class TargetFileTest : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("halcyra-target-" + std::to_string(::getpid()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    static void write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
    }

    fs::path folder;
};

}  // namespace

TEST_F(TargetFileTest, AppearsOnlyOnCommitAndLeavesNothingOtherwise) {
    const std::string target = (folder / "clip.avi").string();
    {
        TargetFile file(target);
        ASSERT_TRUE(file.open());
        write(file.temporaryPath(), "half");
        EXPECT_FALSE(fs::exists(target));
    }
    EXPECT_EQ(entries(), 0u);

    TargetFile file(target);
    ASSERT_TRUE(file.open());
    write(file.temporaryPath(), "whole");
    ASSERT_TRUE(file.commit()) << file.error();
    EXPECT_EQ(read(target), "whole");
    EXPECT_EQ(entries(), 1u);
}

TEST_F(TargetFileTest, NeverReplacesAFileWithoutLeave) {
    const std::string target = (folder / "report.pdf").string();
    write(target, "the user's");
    TargetFile refused(target);
    EXPECT_FALSE(refused.open());
    EXPECT_TRUE(refused.targetExists());

    // A file that appears while the export runs is not replaced either.
    const std::string late = (folder / "late.pdf").string();
    TargetFile racing(late);
    ASSERT_TRUE(racing.open());
    write(racing.temporaryPath(), "export");
    write(late, "appeared meanwhile");
    EXPECT_FALSE(racing.commit());
    EXPECT_TRUE(racing.targetExists());
    EXPECT_EQ(read(late), "appeared meanwhile");
    EXPECT_EQ(read(target), "the user's");
    EXPECT_EQ(entries(), 2u);

    TargetFile allowed(target, true);
    ASSERT_TRUE(allowed.open());
    write(allowed.temporaryPath(), "new");
    ASSERT_TRUE(allowed.commit());
    EXPECT_EQ(read(target), "new");
}

TEST_F(TargetFileTest, AFolderThatCannotTakeAFileIsReportedWithItsPath) {
    const std::string target = (folder / "missing" / "clip.mp4").string();
    TargetFile file(target);
    EXPECT_FALSE(file.open());
    EXPECT_NE(file.error().find(target), std::string::npos);
    EXPECT_NE(file.error().find("No such file"), std::string::npos);
}
