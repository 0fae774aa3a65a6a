#pragma once

#include <string>
#include <system_error>

// The file operations whose system calls differ between operating systems. Paths are UTF-8.
namespace fileOps {

// Gives `from` the name `to` on the same volume, atomically. Without `replace` an existing `to`,
// file or folder, is never replaced (even by a concurrent writer): the call then fails with
// std::errc::file_exists and `from` keeps its name.
std::error_code moveEntry(const std::string& from, const std::string& to, bool replace);

// Writes the file's data and size through to the disk before a rename makes it visible.
std::error_code flushToDisk(const std::string& path);

}  // namespace fileOps
