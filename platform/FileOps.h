#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "FileHandle.h"

// The file operations whose system calls differ between operating systems. Paths are UTF-8
// everywhere; on Windows they reach the wide (UTF-16) calls, so a Japanese folder name works
// whatever the system's ANSI code page is.
namespace fileOps {

// Gives `from` the name `to` on the same volume, atomically. Without `replace` an existing `to`,
// file or folder, is never replaced (even by a concurrent writer): the call then fails with
// std::errc::file_exists and `from` keeps its name.
std::error_code moveEntry(const std::string& from, const std::string& to, bool replace);

// Removes a file (not a folder). No error when there was none.
std::error_code removeFile(const std::string& path);

// A new, empty folder: the trailing "XXXXXX" of `pattern` becomes a fresh name, as mkdtemp's.
std::error_code createTemporaryFolder(std::string& pattern);

// Writes the file's data and size through to the disk before a rename makes it visible.
std::error_code flushToDisk(const std::string& path);

// A C stream on `path`, always in binary mode (a missing "b" is added to `mode`), so that no
// system rewrites line ends. Null when it cannot be opened, with errno saying why.
FileHandle openStream(const std::string& path, std::string_view mode);

// `path` for std::filesystem: a plain std::string would be read in the ANSI code page on
// Windows, not as UTF-8.
std::filesystem::path fsPath(const std::string& path);
// And back to UTF-8.
std::string utf8Path(const std::filesystem::path& path);

// The folder of the running program's executable, with forward slashes and no trailing one;
// empty when the system does not say.
std::string executableFolder();

// A whole regular file read at once. `error` is no_such_file_or_directory when there is none,
// invalid_argument when the name is no regular file (a fifo is never waited on),
// file_too_large past the limit. `permissions` are the file's mode bits where the system has them.
struct FileContents {
    std::error_code error;
    std::string bytes;
    unsigned permissions = 0644;
};
FileContents readSmallFile(const std::string& path, std::size_t limit);

// Writes `bytes` to a new temporary file beside `path`, flushes it to the disk and renames it
// over `path`. On any failure the temporary file is gone and `path` is as it was.
// `permissions` are given to the new file where the system has mode bits.
std::error_code replaceFile(const std::string& path, std::string_view bytes, unsigned permissions);

}  // namespace fileOps
