#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <climits>
#include <csignal>
#include <filesystem>
#include <random>

#include "ProfileFile.h"
#include "FileBytes.h"
#include "TempFolder.h"

namespace {

class ProfileFileTest : public ::testing::Test {
protected:
    std::string read(std::string_view key, std::size_t bufferSize = 100) const {
        return profile.readString("Config", key, "<default>", bufferSize);
    }

    TempFolder folder;
    std::string path = folder.file("Halcyra.ini");
    ProfileFile profile{path};
};

TEST_F(ProfileFileTest, MissingFileKeyOrSectionGivesTheDefault) {
    EXPECT_EQ(read("y"), "<default>");
    writeBytes(path, "[Other]\r\ny=3\r\n[Config]\r\nx=4\r\n");
    EXPECT_EQ(read("y"), "<default>");
    EXPECT_EQ(read("x"), "4");
    EXPECT_EQ(profile.readString("Missing", "x", "d", 100), "d");
}

TEST_F(ProfileFileTest, NamesMatchWithoutRegardToCaseEvenAfterAByteOrderMark) {
    writeBytes(path, "\xEF\xBB\xBF[cONFIG]\r\ncartype=1\r\nTY=3\r\n");
    EXPECT_EQ(read("CarType"), "1");
    EXPECT_EQ(read("ty"), "3");
    ASSERT_TRUE(profile.writeString("Config", "carType", "0"));
    EXPECT_EQ(readBytes(path), "\xEF\xBB\xBF[cONFIG]\r\ncarType=0\r\nTY=3\r\n");
}

TEST_F(ProfileFileTest, ValuesAreTrimmedAndUnquotedAndTheFirstOneWins) {
    writeBytes(path,
               "  [ Config ]  \n"
               "; y=1\n"
               "  y  =  2  \n"
               "y=3\n"
               "x=\"4 \"\n"
               "z='5\n"
               "empty=\n"
               "no equals sign\n"
               "[Config]\n"
               "w=6\n");
    EXPECT_EQ(read("y"), "2");
    EXPECT_EQ(read("x"), "4 ");
    EXPECT_EQ(read("z"), "'5");
    EXPECT_EQ(read("empty"), "");
    EXPECT_EQ(read("no equals sign"), "<default>");
    EXPECT_EQ(read("w"), "<default>");  // only the first section of a name is searched
}

TEST_F(ProfileFileTest, ValuesAndDefaultsAreCutToTheBuffer) {
    writeBytes(path, "[Config]\r\ny=123456789012\r\n");
    EXPECT_EQ(read("y", 10), "123456789");
    EXPECT_EQ(profile.readInteger("Config", "y", "", 10), 123456789);
    EXPECT_EQ(profile.readString("Config", "x", "0123456789abc", 10), "012345678");
    EXPECT_EQ(read("y", 1), "");
    EXPECT_EQ(read("y", 0), "");
}

TEST(LeadingInteger, TakesWhatAtoiTakes) {
    EXPECT_EQ(ProfileFile::leadingInteger("42"), 42);
    EXPECT_EQ(ProfileFile::leadingInteger(" \t42abc"), 42);
    EXPECT_EQ(ProfileFile::leadingInteger("+7"), 7);
    EXPECT_EQ(ProfileFile::leadingInteger("-3"), -3);
    EXPECT_EQ(ProfileFile::leadingInteger("007"), 7);
    EXPECT_EQ(ProfileFile::leadingInteger("abc"), 0);
    EXPECT_EQ(ProfileFile::leadingInteger(""), 0);
    EXPECT_EQ(ProfileFile::leadingInteger("- 3"), 0);
    EXPECT_EQ(ProfileFile::leadingInteger("1.9"), 1);
    EXPECT_EQ(ProfileFile::leadingInteger("99999999999999999999999"), INT_MAX);
    EXPECT_EQ(ProfileFile::leadingInteger("-99999999999999999999999"), INT_MIN);
}

TEST_F(ProfileFileTest, NewFileGetsTheSectionAndTheKey) {
    ASSERT_TRUE(profile.writeString("Config", "carType", "0"));
    ASSERT_TRUE(profile.writeString("Config", "y", "10"));
    EXPECT_EQ(readBytes(path), "[Config]\r\ncarType=0\r\ny=10\r\n");
}

TEST_F(ProfileFileTest, WritingKeepsEverythingElseInPlace) {
    writeBytes(path,
               "; written by hand\r\n"
               "[Other]\r\n"
               "x=1\r\n"
               "\r\n"
               "[config]\r\n"
               "CarType=0\r\n"
               "; keep me\r\n"
               "y = 10\r\n"
               "\r\n"
               "[Tail]\r\n"
               "z=9");
    ASSERT_TRUE(profile.writeString("Config", "carType", "1"));
    ASSERT_TRUE(profile.writeString("Config", "y", "3"));
    ASSERT_TRUE(profile.writeString("Config", "tz", "8"));
    ASSERT_TRUE(profile.writeString("Tail", "q", "2"));
    EXPECT_EQ(readBytes(path),
              "; written by hand\r\n"
              "[Other]\r\n"
              "x=1\r\n"
              "\r\n"
              "[config]\r\n"
              "carType=1\r\n"
              "; keep me\r\n"
              "y=3\r\n"
              "tz=8\r\n"
              "\r\n"
              "[Tail]\r\n"
              "z=9\r\n"
              "q=2\r\n");
}

TEST_F(ProfileFileTest, MissingSectionIsAppendedInTheFilesOwnLineEnds) {
    writeBytes(path, "[Other]\nx=1");
    ASSERT_TRUE(profile.writeString("Config", "x", "5"));
    EXPECT_EQ(readBytes(path), "[Other]\nx=1\n[Config]\nx=5\n");
    EXPECT_EQ(read("x"), "5");
    EXPECT_EQ(profile.readString("Other", "x", "", 100), "1");
}

// A file cut off in the middle of its last line, even between CR and LF, still takes new
// keys on a line of their own.
TEST_F(ProfileFileTest, NewKeysAfterACutOffLastLine) {
    for (const std::string old : {"[Config]\r\nx=1\r", "[Config]\r\nx=1", "[Config]"}) {
        writeBytes(path, old);
        ASSERT_TRUE(profile.writeString("Config", "y", "2"));
        EXPECT_EQ(read("y"), "2") << old;
        EXPECT_EQ(readBytes(path).substr(0, old.size()), old);
    }
}

TEST_F(ProfileFileTest, RefusesTextThatWouldBreakTheLines) {
    EXPECT_FALSE(profile.writeString("Config", "y", "1\r\nx=2"));
    EXPECT_FALSE(profile.writeString("Config", "a=b", "1"));
    EXPECT_FALSE(profile.writeString("Config", "", "1"));
    EXPECT_FALSE(std::filesystem::exists(path));
}

#ifndef _WIN32
// Lowers the file-size limit so that writes past `bytes` fail, as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, SIG_DFL);
    }

private:
    rlimit saved_{};
};
#endif

TEST_F(ProfileFileTest, FailedSaveLeavesTheOldFileIntact) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no per-process file-size limit to fake a full disk with";
#else
    const std::string old = "[Config]\r\ncarType=0\r\ny=10\r\n";
    writeBytes(path, old);
    {
        FileSizeLimit limit(old.size() + 4);
        EXPECT_FALSE(profile.writeString("Config", "comment", std::string(100, 'c')));
    }
    EXPECT_EQ(readBytes(path), old);
    // No temporary file is left behind either.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                            std::filesystem::directory_iterator()),
              1);
#endif
}

TEST_F(ProfileFileTest, WhatCannotBeReadIsNeitherParsedNorReplaced) {
    std::filesystem::create_directory(path);
    EXPECT_EQ(read("y"), "<default>");
    EXPECT_FALSE(profile.writeString("Config", "y", "1"));
    EXPECT_TRUE(std::filesystem::is_directory(path));
    std::filesystem::remove(path);

    const std::string huge = "[Config]\r\ny=1\r\n" + std::string(2 << 20, ' ');
    writeBytes(path, huge);
    EXPECT_EQ(read("y"), "<default>");
    EXPECT_FALSE(profile.writeString("Config", "y", "2"));
    EXPECT_EQ(readBytes(path), huge);
}

// Garbage, binary or half-written files must neither crash the reader nor lose the value
// just written.
TEST_F(ProfileFileTest, GarbageFilesStayReadableAndWritable) {
    std::mt19937 random(20270301);
    const std::string alphabet = std::string("[]=;\"' \t\r\n\0xyzCONFIGconfig1", 28);
    for (int round = 0; round < 300; ++round) {
        std::string garbage(random() % 200, '\0');
        for (char& c : garbage) {
            c = random() % 3 == 0 ? static_cast<char>(random() % 256)
                                  : alphabet[random() % alphabet.size()];
        }
        writeBytes(path, garbage);
        (void)read("y");
        (void)profile.readInteger("Config", "x", "5", 10);
        ASSERT_TRUE(profile.writeString("Config", "carType", "1")) << round;
        EXPECT_EQ(read("CarType"), "1") << round;
        ASSERT_TRUE(profile.writeString("Config", "tz", "-4")) << round;
        EXPECT_EQ(read("TZ"), "-4") << round;
        EXPECT_EQ(read("CarType"), "1") << round;
    }
}

}  // namespace
