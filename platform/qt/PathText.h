#pragma once

#include <string>

#include <QString>

// Paths between Qt and the rest of the program, which keeps them as UTF-8 std::string. On
// POSIX systems the bytes of the file system's own encoding (so that even a name that is no
// valid UTF-8 round-trips); on Windows UTF-8, whatever the ANSI code page.
namespace pathText {

std::string fromQt(const QString& path);
QString toQt(const std::string& path);

}  // namespace pathText
