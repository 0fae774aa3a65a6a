#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include <QCoreApplication>
#include <QtGlobal>

#include "Commands.h"
#include "FileBytes.h"
#include "JpegEncoder.h"
#include "Recording.h"
#include "RecordingFileWriter.h"
#include "StandInOwner.h"
#include "TempFolder.h"

namespace {

namespace fs = std::filesystem;

struct CliRun {
    int code;
    std::string out;
    std::string err;
};

CliRun cli(std::vector<std::string> args) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = runCli(args, out, err);
    return {code, out.str(), err.str()};
}

std::vector<std::uint8_t> gradient(int width, int height) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            p[0] = static_cast<std::uint8_t>(x * 8);
            p[1] = static_cast<std::uint8_t>(y * 8);
            p[2] = 90;
        }
    }
    return rgb;
}

class CliTest : public ::testing::Test {
protected:
    CliTest() {
        // Three frames: a good one, a damaged one, a good one of another size.
        std::vector<std::uint8_t> file;
        appendFrame(file, 1, encodeJpeg(30, 10, gradient(30, 10)));
        std::vector<std::uint8_t> damaged = encodeJpeg(30, 10, gradient(30, 10));
        // Cut just before the scan: the frame header is there, the picture is not.
        for (std::size_t i = 0; i + 1 < damaged.size(); ++i) {
            if (damaged[i] == 0xFF && damaged[i + 1] == 0xDA) {
                damaged.resize(i);
                break;
            }
        }
        appendFrame(file, 4, damaged);
        appendFrame(file, 7, encodeJpeg(8, 8, gradient(8, 8)));
        recordingPath = (dir / "halcjpeg.dat").string();
        writeFile(recordingPath, file);
    }
    TempFolder folder;
    fs::path dir = folder.path();
    std::string recordingPath;
};

TEST_F(CliTest, InfoDescribesEveryFrame) {
    const CliRun run = cli({"info", recordingPath});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find("\"loaded\": true"), std::string::npos);
    EXPECT_NE(run.out.find("\"captureDate\": \"\""), std::string::npos);
    EXPECT_NE(run.out.find("\"width\": 30, \"height\": 10"), std::string::npos);
    EXPECT_NE(run.out.find("{\"index\": 0, \"name\": \"001.jpg\", \"number\": 1"),
              std::string::npos);
    EXPECT_NE(run.out.find("\"time\": \"-14.900\", \"decoded\": false"), std::string::npos);
    EXPECT_NE(run.out.find("{\"index\": 2, \"name\": \"007.jpg\", \"number\": 7"),
              std::string::npos);
}

TEST_F(CliTest, InfoOnTheSampleHasItsDate) {
    const CliRun run = cli({"info", HALCYRA_SAMPLE_PATH});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find("\"width\": 640, \"height\": 480"), std::string::npos);
    EXPECT_EQ(run.out.find("\"decoded\": false"), std::string::npos);
    EXPECT_EQ(run.out.find("\"captureDate\": \"\""), std::string::npos);
}

TEST_F(CliTest, NamesAreEscapedIntoValidJson) {
    std::vector<std::uint8_t> file;
    appendRawRecord(file, {'"', '\\', '\x01', '.', 'j', 'p', 'g', 0}, 0, {});
    writeFile(recordingPath, file);
    const CliRun run = cli({"info", recordingPath});
    EXPECT_EQ(run.code, 0);
    EXPECT_NE(run.out.find("\"name\": \"\\\"\\\\\\u0001.jpg\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"width\": 0"), std::string::npos);
}

TEST_F(CliTest, RefusedFilesAndUsageErrors) {
    writeFile(recordingPath, std::vector<std::uint8_t>(100, 'z'));
    const CliRun refused = cli({"info", recordingPath});
    EXPECT_EQ(refused.code, 1);
    EXPECT_NE(refused.out.find("\"loaded\": false"), std::string::npos);
    EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1);

    EXPECT_EQ(cli({}).code, 2);
    EXPECT_EQ(cli({"frobnicate"}).code, 2);
    EXPECT_EQ(cli({"info"}).code, 2);
    EXPECT_EQ(cli({"info", "a", "b"}).code, 2);
    EXPECT_EQ(cli({"export", recordingPath}).code, 2);
    EXPECT_EQ(cli({"export", recordingPath, "--frame", "0", "--out", "x.gif"}).code, 2);
    EXPECT_EQ(cli({"export", recordingPath, "--all", "--frame", "0", "--out", "d"}).code, 2);
    EXPECT_EQ(cli({"export", recordingPath, "--all", "--out", "d", "--format", "gif"}).code, 2);
    EXPECT_EQ(cli({"--help"}).code, 0);
    EXPECT_EQ(cli({"info", "--help"}).code, 0);
    EXPECT_EQ(cli({"export", "--help"}).code, 0);
}

TEST_F(CliTest, ExportWritesTheBitmapTheViewerPaints) {
    const fs::path ppm = dir / "first.ppm";
    const CliRun run = cli({"export", recordingPath, "--frame", "0", "--out", ppm.string()});
    ASSERT_EQ(run.code, 0) << run.err;

    StandInOwner owner;
    Recording recording;
    recording.setOwner(&owner);
    ASSERT_TRUE(recording.load(recordingPath));
    const FrameBitmap& bitmap = recording.shownBitmap();
    std::string expected = "P6\n30 10\n255\n";
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 30; ++x) {
            const std::uint8_t* p = bitmap.pixels() + y * bitmap.stride() + x * 3;
            expected += static_cast<char>(p[2]);
            expected += static_cast<char>(p[1]);
            expected += static_cast<char>(p[0]);
        }
    }
    EXPECT_EQ(readBytes(ppm.string()), expected);

    // The small last frame is drawn into the 30 x 10 pair, as in the viewer.
    const fs::path png = dir / "last.png";
    EXPECT_EQ(cli({"export", recordingPath, "--frame", "2", "--out", png.string()}).code, 0);
    EXPECT_EQ(readBytes(png.string()).substr(1, 3), "PNG");
    EXPECT_EQ(cli({"export", recordingPath, "--frame", "3", "--out", png.string()}).code, 2);
    EXPECT_EQ(cli({"export", recordingPath, "--frame", "-1", "--out", png.string()}).code, 2);
}

TEST_F(CliTest, ExportAllReportsDamagedFramesButWritesThem) {
    const fs::path out = dir / "frames";
    const CliRun run = cli({"export", recordingPath, "--all", "--out", out.string(), "--format", "ppm"});
    EXPECT_EQ(run.code, 3);
    for (const char* name : {"frame-0000.ppm", "frame-0001.ppm", "frame-0002.ppm"}) {
        EXPECT_TRUE(fs::is_regular_file(out / name)) << name;
        EXPECT_EQ(readBytes((out / name).string()).substr(0, 9), "P6\n30 10\n");
    }
}

TEST_F(CliTest, ExportToAnUnwritablePlaceFails) {
    writeFile((dir / "plain").string(), std::vector<std::uint8_t>{1});
    const CliRun one = cli({"export", recordingPath, "--frame", "0", "--out",
                         (dir / "plain" / "x.png").string()});
    EXPECT_EQ(one.code, 1);
    const CliRun all = cli({"export", recordingPath, "--all", "--out", (dir / "plain").string()});
    EXPECT_EQ(all.code, 1);
}

}  // namespace

namespace {

std::vector<std::string> qtMessages;

void keepQtMessage(QtMsgType, const QMessageLogContext&, const QString& text) {
    qtMessages.push_back(text.toStdString());
}

}  // namespace

// The library commands run without an application object: looking for Halcyra.ini beside the
// program must not make Qt complain on standard error.
TEST(CliLibraryTest, TheDefaultLibraryIsFoundWithoutQtsWarnings) {
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    qtMessages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepQtMessage);
    const CliRun run = cli({"library"});
    qInstallMessageHandler(previous);
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(qtMessages, std::vector<std::string>{});
    EXPECT_NE(run.out.find("\"library\": "), std::string::npos) << run.out;
}
