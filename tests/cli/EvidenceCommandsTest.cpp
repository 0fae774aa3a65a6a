#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <QCryptographicHash>

#include "Commands.h"
#include "ExifSegment.h"
#include "JpegEncoder.h"
#include "RecordingFileWriter.h"

namespace fs = std::filesystem;

namespace {

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

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class EvidenceCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("halcyra-cli-evidence-" + std::to_string(::getpid()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        std::vector<std::uint8_t> file;
        for (std::int32_t number = 445; number <= 457; number += 3) {
            JpegEncodeOptions options;
            if (number == 445) {
                options.app1 = makeExifSegment("2026:11:28 14:35:07");
            }
            jpegs.push_back(encodeJpeg(16, 16, std::vector<std::uint8_t>(16 * 16 * 3, 90), options));
            appendFrame(file, number, jpegs.back());
        }
        recording = (dir / "halcjpeg.dat").string();
        ASSERT_TRUE(writeFile(recording, file));
        garbage = (dir / "notes.txt").string();
        std::ofstream(garbage) << "not a recording";
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir;
    std::string recording;
    std::string garbage;
    std::vector<std::vector<std::uint8_t>> jpegs;
};

}  // namespace

TEST_F(EvidenceCommandsTest, ReportWritesOncePerTargetUnlessForced) {
    const std::string pdf = (dir / "report.pdf").string();
    EXPECT_EQ(cli({"report", recording}).code, 2);
    EXPECT_EQ(cli({"report", recording, "--out", (dir / "report.txt").string()}).code, 2);
    EXPECT_EQ(cli({"report", garbage, "--out", pdf}).code, 1);
    EXPECT_FALSE(fs::exists(pdf));

    const CliRun written = cli({"report", recording, "--out", pdf});
    ASSERT_EQ(written.code, 0) << written.err;
    EXPECT_EQ(written.err, "");  // no progress line when standard error is no terminal
    EXPECT_EQ(slurp(pdf).substr(0, 5), "%PDF-");

    std::ofstream(pdf, std::ios::trunc) << "the user's";
    const CliRun refused = cli({"report", recording, "--out", pdf});
    EXPECT_EQ(refused.code, 1);
    EXPECT_NE(refused.err.find(pdf + ": exists already"), std::string::npos);
    EXPECT_EQ(slurp(pdf), "the user's");
    EXPECT_EQ(cli({"report", recording, "--out", pdf, "--force"}).code, 0);
    EXPECT_EQ(slurp(pdf).substr(0, 5), "%PDF-");
}

TEST_F(EvidenceCommandsTest, EvidenceFillsANewFolderOnly) {
    const fs::path package = dir / "package";
    EXPECT_EQ(cli({"evidence", recording, "--out"}).code, 2);
    EXPECT_EQ(cli({"evidence", garbage, "--out", package.string()}).code, 1);
    EXPECT_FALSE(fs::exists(package));

    const CliRun written = cli({"evidence", recording, "--out", package.string()});
    ASSERT_EQ(written.code, 0) << written.err;
    EXPECT_EQ(slurp(package / "20261128-143507-event.jpg"),
              std::string(jpegs[2].begin(), jpegs[2].end()));
    EXPECT_NE(slurp(package / "SHA256SUMS").find("  halcjpeg.dat\n"), std::string::npos);
    EXPECT_EQ(cli({"evidence", recording, "--out", package.string()}).code, 1);
    EXPECT_EQ(cli({"evidence", recording, "--out", package.string(), "--force"}).code, 0);
}

TEST_F(EvidenceCommandsTest, ExportWritesTheRecordedJpegAndInfoTheFilesHash) {
    const fs::path jpg = dir / "frame.jpg";
    ASSERT_EQ(cli({"export", recording, "--frame", "0", "--out", jpg.string()}).code, 0);
    EXPECT_EQ(slurp(jpg), std::string(jpegs[0].begin(), jpegs[0].end()));  // EXIF and all
    EXPECT_EQ(cli({"export", recording, "--frame", "0", "--out", jpg.string(), "--overlay"}).code,
              2);
    EXPECT_EQ(cli({"export", recording, "--all", "--out", dir.string(), "--overlay"}).code, 2);
    EXPECT_EQ(cli({"export", recording, "--frame", "1", "--out", (dir / "t.png").string(),
                   "--overlay"})
                  .code,
              0);

    const std::string bytes = slurp(recording);
    const std::string hash =
        QCryptographicHash::hash(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                 QCryptographicHash::Sha256)
            .toHex()
            .toStdString();
    EXPECT_NE(cli({"info", recording}).out.find("\"sha256\": \"" + hash + "\""),
              std::string::npos);
}

TEST_F(EvidenceCommandsTest, VerifySaysOkPerFileAndNamesWhatIsWrong) {
    const fs::path package = dir / "package";
    ASSERT_EQ(cli({"evidence", recording, "--out", package.string()}).code, 0);
    const CliRun intact = cli({"verify", package.string()});
    EXPECT_EQ(intact.code, 0) << intact.out;
    EXPECT_EQ(std::count(intact.out.begin(), intact.out.end(), '\n'), 6) << intact.out;
    EXPECT_NE(intact.out.find("halcjpeg.dat: OK\n"), std::string::npos) << intact.out;

    std::ofstream(package / "20261128-143507-event.jpg", std::ios::app) << "tail";
    const CliRun tampered = cli({"verify", package.string()});
    EXPECT_EQ(tampered.code, 1);
    EXPECT_NE(tampered.out.find("20261128-143507-event.jpg: its SHA-256 is "), std::string::npos)
        << tampered.out;

    EXPECT_EQ(cli({"verify", recording}).code, 2);
    EXPECT_EQ(cli({"verify"}).code, 2);
}

TEST_F(EvidenceCommandsTest, ClockOptionsAreRefusedWhereNoTimeOfDayIsShown) {
    const std::string report = (dir / "r.pdf").string();
    EXPECT_EQ(cli({"report", recording, "--out", report, "--clock-note", "why"}).code, 2);
    EXPECT_EQ(cli({"report", recording, "--out", report, "--clock-offset", "65s"}).code, 2);
    EXPECT_EQ(cli({"report", recording, "--out", report, "--clock-offset", "+1", "--clock-offset",
                   "+2"})
                  .code,
              2);
    EXPECT_EQ(cli({"video", recording, "--out", (dir / "o.avi").string(), "--clock-offset", "5"})
                  .code,
              2);
    EXPECT_EQ(cli({"video", recording, "--out", (dir / "s.mp4").string(), "--no-overlay",
                   "--clock-offset", "5"})
                  .code,
              2);
    EXPECT_EQ(cli({"export", recording, "--frame", "0", "--out", (dir / "f.png").string(),
                   "--clock-offset", "5"})
                  .code,
              2);
    EXPECT_FALSE(fs::exists(report));
    const CliRun written =
        cli({"report", recording, "--out", report, "--clock-offset", "-3600.5", "--clock-note", "x"});
    EXPECT_EQ(written.code, 0) << written.err;
    EXPECT_EQ(cli({"export", recording, "--frame", "0", "--out", (dir / "f.png").string(),
                   "--overlay", "--clock-offset", "5"})
                  .code,
              0);
}
