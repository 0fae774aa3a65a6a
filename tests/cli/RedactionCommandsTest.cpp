#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <QImage>

#include "Commands.h"
#include "ExifSegment.h"
#include "JpegEncoder.h"
#include "RecordingFileWriter.h"

namespace fs = std::filesystem;

namespace {

struct CliRun {
    int code;
    std::string err;
};

CliRun cli(std::vector<std::string> args) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = runCli(args, out, err);
    return {code, err.str()};
}

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

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

// Frames 0 .. 4 (numbers 445 .. 457, -0.200 .. +0.200 s), each 32 x 32 of noise.
class RedactionCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("halcyra-cli-redaction-" + std::to_string(::getpid()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        std::vector<std::uint8_t> file;
        for (std::int32_t number = 445; number <= 457; number += 3) {
            JpegEncodeOptions options;
            if (number == 445) {
                options.app1 = makeExifSegment("2026:11:28 14:35:07");
            }
            std::vector<std::uint8_t> rgb(32 * 32 * 3);
            for (std::size_t i = 0; i < rgb.size(); ++i) {
                rgb[i] = static_cast<std::uint8_t>(((i + number) * 2654435761u) >> 13);
            }
            appendFrame(file, number, encodeJpeg(32, 32, rgb, options));
        }
        recording = (dir / "halcjpeg.dat").string();
        ASSERT_TRUE(writeFile(recording, file));
        plan = write("plan.json", R"({"version": 1, "regions": [{"label": "plate", "keys": [
            {"index": 0, "x": 4, "y": 4, "w": 16, "h": 8},
            {"index": 2, "x": 8, "y": 4, "w": 16, "h": 8}]},
            {"label": "face", "keys": [{"index": 4, "x": 20, "y": 20, "w": 30, "h": 30}]}]})");
        pastTheEnd = write("late.json", R"({"version": 1, "regions": [{"label": "face", "keys": [
            {"index": 5, "x": 0, "y": 0, "w": 8, "h": 8}]}]})");
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string write(const std::string& name, const std::string& text) const {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    std::string out(const std::string& name) const { return (dir / name).string(); }

    fs::path dir;
    std::string recording;
    std::string plan;
    std::string pastTheEnd;
};

}  // namespace

TEST_F(RedactionCommandsTest, OriginalsAndMalformedFilesAreUsageErrorsAndNothingIsWritten) {
    for (const char* original : {"clip.avi", "clip.MKV"}) {
        const CliRun refused = cli({"video", recording, "--out", out(original), "--redact", plan});
        EXPECT_EQ(refused.code, 2) << original;
        EXPECT_NE(refused.err.find("never redacted"), std::string::npos) << refused.err;
    }
    const CliRun jpg = cli({"export", recording, "--frame", "1", "--out", out("f.jpg"), "--redact", plan});
    EXPECT_EQ(jpg.code, 2);
    EXPECT_NE(jpg.err.find("never redacted"), std::string::npos) << jpg.err;
    EXPECT_EQ(cli({"export", recording, "--all", "--out", out("all"), "--redact", plan}).code, 2);
    EXPECT_EQ(cli({"video", recording, "--out", out("c.mp4"), "--redact"}).code, 2);

    const std::vector<std::vector<std::string>> commands = {
        {"video", recording, "--out", out("c.mp4")},
        {"export", recording, "--frame", "1", "--out", out("f.png")},
        {"report", recording, "--out", out("r.pdf")},
        {"evidence", recording, "--out", out("package")},
    };
    for (std::vector<std::string> command : commands) {
        command.insert(command.end(), {"--redact", pastTheEnd});
        const CliRun refused = cli(command);
        EXPECT_EQ(refused.code, 2) << command[0];
        EXPECT_NE(refused.err.find(pastTheEnd + ": region 1, key 1: index 5 is past the "
                                                "recording's last frame (4)"),
                  std::string::npos)
            << refused.err;
        command.back() = out("missing.json");
        EXPECT_EQ(cli(command).code, 2) << command[0];
    }
    for (const char* name : {"clip.avi", "clip.MKV", "f.jpg", "all", "c.mp4", "f.png", "r.pdf",
                             "package"}) {
        EXPECT_FALSE(fs::exists(out(name))) << name;
    }
}

TEST_F(RedactionCommandsTest, ThePngIsRedactedWhereTheRegionIsAndSharpElsewhere) {
    ASSERT_EQ(cli({"export", recording, "--frame", "1", "--out", out("plain.png")}).code, 0);
    const CliRun redacted =
        cli({"export", recording, "--frame", "1", "--out", out("red.png"), "--redact", plan});
    ASSERT_EQ(redacted.code, 0) << redacted.err;
    const QImage plain(QString::fromStdString(out("plain.png")));
    const QImage red(QString::fromStdString(out("red.png")));
    ASSERT_EQ(plain.size(), red.size());
    EXPECT_NE(red.pixel(6, 4), red.pixel(14, 4));
    // Frame 1 is halfway between the keys: x 6, y 4, 16 x 8, two blocks of 8 x 8.
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            // An 8 x 8 block of noise is never flat, so a flat one shows the mosaic.
            const bool inside = x >= 6 && x < 22 && y >= 4 && y < 12;
            if (inside) {
                ASSERT_EQ(red.pixel(x, y), red.pixel(x < 14 ? 6 : 14, 4)) << x << "," << y;
            } else {
                ASSERT_EQ(red.pixel(x, y), plain.pixel(x, y)) << x << "," << y;
            }
        }
    }
}

TEST_F(RedactionCommandsTest, APackageWithRedactionHoldsItsFileAndTheReportListsTheRegions) {
    const fs::path package = dir / "package";
    const CliRun written = cli({"evidence", recording, "--out", package.string(), "--redact", plan});
    ASSERT_EQ(written.code, 0) << written.err;
    const std::string kept = slurp(package / "20261128-143507-redaction.json");
    EXPECT_NE(kept.find("{\"index\": 2, \"x\": 8, \"y\": 4, \"w\": 16, \"h\": 8}"),
              std::string::npos)
        << kept;
    const std::string sums = slurp(package / "SHA256SUMS");
    EXPECT_NE(sums.find("  20261128-143507-redaction.json\n"), std::string::npos) << sums;
    EXPECT_EQ(run("cd '" + package.string() + "' && sha256sum --quiet -c SHA256SUMS 2>&1"), "");

    const std::string report = (package / "20261128-143507-report.pdf").string();
    // Page 2 is the record of the steps, which names the redaction file; page 3 the regions.
    EXPECT_EQ(run("pdfinfo '" + report + "' | grep '^Pages:' | tr -s ' '"), "Pages: 3\n");
    const std::string record = run("pdftotext -enc UTF-8 -f 2 -l 2 '" + report + "' -");
    EXPECT_NE(record.find("20261128-143507-redaction.json"), std::string::npos) << record;
    const std::string text = run("pdftotext -enc UTF-8 -f 3 '" + report + "' -");
    EXPECT_NE(text.find("共有用の動画は墨消し済みです（2 箇所）"), std::string::npos) << text;
    EXPECT_NE(text.find("ナンバー"), std::string::npos) << text;
    EXPECT_NE(text.find("-0.200 秒 〜 0.000 秒"), std::string::npos) << text;
    EXPECT_NE(text.find("0.200 秒 〜 0.200 秒"), std::string::npos) << text;

    // Without --redact nothing of it: the first page and the record, no file.
    const fs::path plainPackage = dir / "plain";
    ASSERT_EQ(cli({"evidence", recording, "--out", plainPackage.string()}).code, 0);
    EXPECT_FALSE(fs::exists(plainPackage / "20261128-143507-redaction.json"));
    EXPECT_EQ(run("pdfinfo '" + (plainPackage / "20261128-143507-report.pdf").string() +
                  "' | grep '^Pages:' | tr -s ' '"),
              "Pages: 2\n");
}
