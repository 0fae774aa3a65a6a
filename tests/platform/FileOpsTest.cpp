#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Descriptor.h"
#include "FileBytes.h"
#include "FileOps.h"
#include "TempFolder.h"

namespace {

std::string readAll(const std::string& path) { return fileOps::readSmallFile(path, 1 << 20).bytes; }

TEST(FileOps, RenameWithoutReplaceNeverReplacesAFileOrFolder) {
    TempFolder folder;
    const std::string from = folder.file("new.tmp");
    const std::string file = folder.file("file");
    const std::string subfolder = folder.file("folder");
    ASSERT_FALSE(fileOps::replaceFile(from, "new", 0644));
    ASSERT_FALSE(fileOps::replaceFile(file, "old", 0644));
    std::filesystem::create_directory(subfolder);

    EXPECT_EQ(fileOps::moveEntry(from, file, false), std::errc::file_exists);
    EXPECT_EQ(fileOps::moveEntry(from, subfolder, false), std::errc::file_exists);
    EXPECT_EQ(readAll(file), "old");
    EXPECT_EQ(readAll(from), "new");
    EXPECT_TRUE(std::filesystem::is_directory(subfolder));

    EXPECT_FALSE(fileOps::moveEntry(from, file, true));
    EXPECT_EQ(readAll(file), "new");
    EXPECT_FALSE(std::filesystem::exists(from));
}

// No system may turn LF into CR LF (or back) on the way: the card's files are compared by bytes.
TEST(FileOps, StreamsAndSavesKeepEveryByte) {
    TempFolder folder;
    const std::string bytes = "a\r\nb\nc\r\r\n\x1a" "d";
    {
        FileHandle out = fileOps::openStream(folder.file("stream"), "w");
        ASSERT_TRUE(out);
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), out.get()), bytes.size());
    }
    EXPECT_EQ(readFileBytes(folder.file("stream")), std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    ASSERT_FALSE(fileOps::replaceFile(folder.file("saved"), bytes, 0644));
    EXPECT_EQ(readAll(folder.file("saved")), bytes);
    EXPECT_FALSE(fileOps::flushToDisk(folder.file("saved")));
}

// A Japanese folder name must reach the system as itself, not through an ANSI code page.
TEST(FileOps, JapaneseNamesWorkEverywhere) {
    TempFolder folder;
    const std::string japanese = folder.file("\xE8\xA8\x98\xE9\x8C\xB2");  // 記録
    ASSERT_TRUE(std::filesystem::create_directory(fileOps::fsPath(japanese)));
    const std::string ini = japanese + "/Halcyra.ini";
    ASSERT_FALSE(fileOps::replaceFile(ini, "[Config]\r\n", 0644));
    EXPECT_EQ(readAll(ini), "[Config]\r\n");
    EXPECT_TRUE(std::filesystem::is_regular_file(
        std::filesystem::path(u8"") / fileOps::fsPath(folder.path()) / u8"記録" / u8"Halcyra.ini"));
    EXPECT_TRUE(fileOps::openStream(ini, "rb"));
    EXPECT_EQ(fileOps::utf8Path(fileOps::fsPath(japanese)), japanese);
    EXPECT_EQ(fileOps::readSmallFile(japanese + "/none", 10).error,
              std::errc::no_such_file_or_directory);
}

// The descriptors the import and the exports stream through: binary, a new file never replaces
// an old one, a temporary name is fresh each time, and a Japanese name is itself on the disk.
TEST(Descriptor, NewFilesNeverReplaceAndKeepEveryByte) {
    TempFolder folder;
    const std::string path = folder.file("\xE8\xA8\x98\xE9\x8C\xB2.dat");  // 記録.dat
    const std::string bytes = "a\r\nb\nc\x1a" "d";
    {
        Descriptor out = Descriptor::createNew(path);
        ASSERT_TRUE(out.valid());
        ASSERT_TRUE(out.writeAll(bytes.data(), bytes.size()));
        ASSERT_TRUE(out.sync());
        ASSERT_TRUE(out.close());
    }
    EXPECT_TRUE(std::filesystem::is_regular_file(fileOps::fsPath(folder.path()) / u8"記録.dat"));
    EXPECT_FALSE(Descriptor::createNew(path).valid());
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(readAll(path), bytes);

    const Descriptor in = Descriptor::openForReading(path);
    ASSERT_TRUE(in.valid());
    Descriptor::Facts facts;
    ASSERT_TRUE(in.facts(facts));
    EXPECT_TRUE(facts.regular);
    EXPECT_EQ(facts.size, bytes.size());
    char piece[4] = {};
    ASSERT_EQ(in.readAt(2, piece, sizeof piece), 4);
    EXPECT_EQ(std::string(piece, 4), bytes.substr(2, 4));

    {
        Descriptor again = Descriptor::openForWriting(path);
        ASSERT_TRUE(again.valid());
        ASSERT_TRUE(again.writeAll("x", 1));
    }
    EXPECT_EQ(readAll(path), "x");
    EXPECT_FALSE(Descriptor::openForReading(folder.file("none")).valid());
    EXPECT_EQ(errno, ENOENT);
}

TEST(FileOps, TemporaryNamesAreFreshAndRemovable) {
    TempFolder folder;
    std::string first = folder.file(".\xE8\xA8\x98-XXXXXX");
    std::string second = first;
    Descriptor a = Descriptor::createTemporary(first);
    Descriptor b = Descriptor::createTemporary(second);
    ASSERT_TRUE(a.valid());
    ASSERT_TRUE(b.valid());
    EXPECT_NE(first, second);
    EXPECT_EQ(first.find("XXXXXX"), std::string::npos);
    a.close();
    EXPECT_FALSE(fileOps::removeFile(first));
    EXPECT_FALSE(std::filesystem::exists(fileOps::fsPath(first)));
    EXPECT_FALSE(fileOps::removeFile(first));  // gone already: nothing to say

    std::string staging = folder.file("\xE8\xA8\x98-XXXXXX");
    ASSERT_FALSE(fileOps::createTemporaryFolder(staging));
    EXPECT_TRUE(std::filesystem::is_directory(fileOps::fsPath(staging)));
    std::string bad = folder.file("no-placeholder");
    EXPECT_TRUE(fileOps::createTemporaryFolder(bad));
}

}  // namespace
