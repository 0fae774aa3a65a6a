#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "Commands.h"
#include "JpegEncoder.h"
#include "RecordingFileWriter.h"

namespace {

namespace fs = std::filesystem;

class VideoCommandTest : public testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("halcyra-video-test-" + std::to_string(getpid()));
        fs::create_directories(dir);
        // Frames at -15.000, -14.900 (damaged: no scan) and -14.800 s.
        const std::vector<std::uint8_t> grey(16 * 16 * 3, 128);
        std::vector<std::uint8_t> damaged = encodeJpeg(16, 16, grey);
        for (std::size_t i = 0; i + 1 < damaged.size(); ++i) {
            if (damaged[i] == 0xFF && damaged[i + 1] == 0xDA) {
                damaged.resize(i);
                break;
            }
        }
        std::vector<std::uint8_t> file;
        appendFrame(file, 1, encodeJpeg(16, 16, grey));
        appendFrame(file, 4, damaged);
        appendFrame(file, 7, encodeJpeg(16, 16, grey));
        ASSERT_TRUE(writeFile(recording(), file));
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string recording() const { return (dir / "halcjpeg.dat").string(); }
    std::string out(const char* name) const { return (dir / name).string(); }

    int video(std::vector<std::string> args) {
        args.insert(args.begin(), "video");
        std::ostringstream output;
        error.str("");
        return runCli(args, output, error);
    }

    fs::path dir;
    std::ostringstream error;
};

}  // namespace

TEST_F(VideoCommandTest, ExitCodesTellWrittenDamagedRefusedAndUsage) {
    EXPECT_EQ(video({recording(), "--out", out("a.avi")}), 0) << error.str();
    EXPECT_TRUE(fs::is_regular_file(out("a.avi")));
    EXPECT_EQ(video({recording(), "--out", out("b.mkv"), "--from", "-14.8"}), 0);
    EXPECT_EQ(video({recording(), "--out", out("c.mp4"), "--no-overlay"}), 3);
    EXPECT_NE(error.str().find("did not decode"), std::string::npos);
    EXPECT_EQ(video({recording(), "--out", out("d.mp4"), "--no-overlay", "--to", "-15"}), 0);

    const auto size = fs::file_size(out("a.avi"));
    EXPECT_EQ(video({recording(), "--out", out("a.avi"), "--to", "-15"}), 1);
    EXPECT_NE(error.str().find("exists"), std::string::npos);
    EXPECT_EQ(fs::file_size(out("a.avi")), size);
    EXPECT_EQ(video({recording(), "--out", out("a.avi"), "--to", "-15", "--force"}), 0);
    EXPECT_LT(fs::file_size(out("a.avi")), size);

    { std::ofstream(out("junk.dat")) << "not a recording"; }
    EXPECT_EQ(video({out("junk.dat"), "--out", out("e.avi")}), 1);
    EXPECT_EQ(video({recording(), "--out", out("f.mov")}), 2);
    EXPECT_EQ(video({recording(), "--out", out("f.avi"), "--from", "3"}), 2);
    EXPECT_NE(error.str().find("span"), std::string::npos);
    EXPECT_EQ(video({recording(), "--out", out("f.avi"), "--from", "five"}), 2);
    EXPECT_EQ(video({recording(), "--out", out("f.avi"), "--from", "-1", "--from", "2"}), 2);
    EXPECT_EQ(video({recording()}), 2);
    EXPECT_FALSE(fs::exists(out("e.avi")) || fs::exists(out("f.avi")) || fs::exists(out("f.mov")));
    EXPECT_EQ(video({"--help"}), 0);
}
