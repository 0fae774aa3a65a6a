// What halcyra-cli says about a recording it refuses: the system's reason for a file it
// cannot read, or the record, its offset and what is wrong there.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "Commands.h"
#include "FileBytes.h"
#include "RecordingFileWriter.h"
#include "TempFolder.h"

namespace {

struct Refusal {
    int code;
    std::string out;
    std::string err;
};

Refusal info(const std::string& path) {
    std::ostringstream out;
    std::ostringstream err;
    const std::vector<std::string> args{"info", path};
    const int code = runCli(args, out, err);
    return {code, out.str(), err.str()};
}

// Root may read a file whatever its mode, so a file without read permission is tried from a
// child process that has become the unprivileged user "nobody" first.
Refusal infoAsUnprivilegedUser(const std::string& path) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return {-1, "", "pipe failed"};
    }
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        int code = 99;
        if (geteuid() != 0 || (setgid(65534) == 0 && setuid(65534) == 0)) {
            const Refusal refusal = info(path);
            code = refusal.code;
            const ssize_t written = write(pipeEnds[1], refusal.err.data(), refusal.err.size());
            static_cast<void>(written);
        }
        _exit(code);
    }
    close(pipeEnds[1]);
    std::string err;
    char buffer[512];
    ssize_t got = 0;
    while ((got = read(pipeEnds[0], buffer, sizeof buffer)) > 0) {
        err.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, "", err};
}

std::vector<std::uint8_t> tinyJpeg() {
    return {0xFF, 0xD8, 0xFF, 0xD9};
}

// Two whole records (16 bytes each with this JPEG) and then whatever the case needs.
std::vector<std::uint8_t> twoRecords() {
    std::vector<std::uint8_t> file;
    appendFrame(file, 1, tinyJpeg());
    appendFrame(file, 2, tinyJpeg());
    return file;
}

class RefusalReasons : public ::testing::Test {
protected:
    // The one line on standard error after "halcyra-cli: PATH: ", with the JSON and the exit
    // status of a refused recording checked on the way.
    std::string reasonFor(const std::vector<std::uint8_t>& bytes) {
        EXPECT_TRUE(writeFileBytes(path, bytes));
        return reasonOf(info(path), path);
    }

    static std::string reasonOf(const Refusal& refusal, const std::string& file) {
        EXPECT_EQ(refusal.code, 1);
        if (!refusal.out.empty()) {
            EXPECT_EQ(refusal.out, "{\"loaded\": false, \"captureDate\": \"\", \"width\": 0, "
                                   "\"height\": 0, \"frames\": []}\n");
        }
        const std::string prefix = "halcyra-cli: " + file + ": ";
        if (!refusal.err.starts_with(prefix) || !refusal.err.ends_with("\n")) {
            ADD_FAILURE() << refusal.err;
            return refusal.err;
        }
        return refusal.err.substr(prefix.size(), refusal.err.size() - prefix.size() - 1);
    }

    TempFolder folder;
    std::string path = folder.file("halcjpeg.dat");
};

TEST_F(RefusalReasons, FilesThatCannotBeReadGiveTheSystemsReason) {
    EXPECT_EQ(reasonOf(info(path), path), "cannot be opened: No such file or directory");
    EXPECT_EQ(reasonOf(info(folder.path()), folder.path()), "cannot be read: Is a directory");

    ASSERT_TRUE(writeFileBytes(path, twoRecords()));
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    ASSERT_EQ(chmod(folder.path().c_str(), 0755), 0);
    EXPECT_EQ(reasonOf(infoAsUnprivilegedUser(path), path), "cannot be opened: Permission denied");
}

TEST_F(RefusalReasons, RefusedRecordsAreNamedWithTheirOffset) {
    std::vector<std::uint8_t> file = twoRecords();
    appendRawRecord(file, {'0', '0', '3', '.', 'j', 'p', 'e', 'g'}, 4, tinyJpeg());
    EXPECT_EQ(reasonFor(file),
              "not a recording of JPEG frames: record 3 at offset 32 is named \"003.jpeg\", "
              "where \".jpg\" and a zero byte must follow the first three characters");

    file = twoRecords();
    appendRawRecord(file, {'x', '\0', '\n', '.', 'j', 'p', 'g', '\0'}, -5, {});
    EXPECT_EQ(reasonFor(file), "not a recording of JPEG frames: record 3 at offset 32 "
                               "announces a negative size (-5 bytes)");

    file.clear();
    appendRawRecord(file, {'"', '\\', '\0', 'z', 'z', 'z', 'z', 'z'}, 4, tinyJpeg());
    EXPECT_EQ(reasonFor(file), "not a recording of JPEG frames: record 1 at offset 0 is named "
                               "\"\\\"\\\\\\u0000zzzzz\", where \".jpg\" and a zero byte must "
                               "follow the first three characters");
}

TEST_F(RefusalReasons, NoCompleteRecordSaysWhereTheFileEnds) {
    EXPECT_EQ(reasonFor({}), "not a recording of JPEG frames: the file is empty");
    EXPECT_EQ(reasonFor({'0', '0', '1', '.', 'j'}),
              "not a recording of JPEG frames: no complete record; the file ends 5 bytes into "
              "the first 12-byte header");
    std::vector<std::uint8_t> file;
    appendRawRecord(file, frameName(1), 5000, std::vector<std::uint8_t>(3000, 0xAB));
    EXPECT_EQ(reasonFor(file),
              "not a recording of JPEG frames: no complete record; the first announces 5000 "
              "bytes of JPEG data and the file holds 3000 of them");
}

TEST_F(RefusalReasons, ExportGivesTheSameReason) {
    std::vector<std::uint8_t> file = twoRecords();
    appendRawRecord(file, frameName(3), -1, {});
    ASSERT_TRUE(writeFileBytes(path, file));
    std::ostringstream out;
    std::ostringstream err;
    const std::vector<std::string> args{"export", path, "--frame", "0", "--out",
                                        folder.file("x.png")};
    EXPECT_EQ(runCli(args, out, err), 1);
    EXPECT_EQ(err.str(), "halcyra-cli: " + path +
                             ": not a recording of JPEG frames: record 3 at offset 32 "
                             "announces a negative size (-1 bytes)\n");
}

}  // namespace
