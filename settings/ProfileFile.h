#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Halcyra.ini: "[section]" lines followed by "key=value" lines, section and key names matched
// without regard to case, since people edit the file by hand. Every call reads the file
// afresh, so each dialog opening sees the last save and any edit made since.
class ProfileFile {
public:
    explicit ProfileFile(std::string path);

    const std::string& path() const { return path_; }

    // The value of `key`, or `defaultValue` when the file, the section or the key is missing.
    // Either is cut to `bufferSize` - 1 characters, the room left in a C buffer of that size.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue, std::size_t bufferSize) const;
    // The leading decimal integer of what readString gives; 0 when there is none.
    int readInteger(std::string_view section, std::string_view key, std::string_view defaultValue,
                    std::size_t bufferSize) const;

    // Sets `key` in `section`, keeping every other line as it was. A new key goes at the end
    // of its section, a new section at the end of the file. The file is replaced whole by a
    // rename, so a failed save (false) leaves the old file as it was.
    bool writeString(std::string_view section, std::string_view key, std::string_view value) const;

    // What atoi takes from `text`: blanks, a sign, then digits; saturated to the int range.
    static int leadingInteger(std::string_view text);

private:
    std::string path_;
};
