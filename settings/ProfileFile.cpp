#include "ProfileFile.h"

#include <optional>
#include <utility>
#include <vector>

#include "FileOps.h"
#include "LeadingInteger.h"

namespace {

// Far more than any Halcyra.ini; a bigger file is not ours to parse, nor to rewrite.
constexpr std::size_t maximumFileSize = 1 << 20;

enum class LoadState { missing, loaded, unreadable };

struct Contents {
    LoadState state = LoadState::missing;
    std::string text;
    unsigned mode = 0644;
};

Contents load(const std::string& path) {
    fileOps::FileContents file = fileOps::readSmallFile(path, maximumFileSize);
    if (file.error) {
        return {file.error == std::errc::no_such_file_or_directory ? LoadState::missing
                                                                   : LoadState::unreadable,
                {}};
    }
    return {LoadState::loaded, std::move(file.bytes), file.permissions};
}

// Writes a temporary file beside `path` and renames it over `path`.
bool replaceFile(const std::string& path, std::string_view text, unsigned mode) {
    return !fileOps::replaceFile(path, text, mode);
}

struct Line {
    std::size_t begin;
    std::size_t end;           // past the line feed, if any
    std::string_view content;  // without CR LF or LF
    bool terminated;           // ends in a line feed
};

std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    // A file saved by a text editor may start with a UTF-8 byte-order mark; it belongs to no line.
    std::size_t begin = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (begin < text.size()) {
        const std::size_t newline = text.find('\n', begin);
        const std::size_t end = newline == std::string_view::npos ? text.size() : newline + 1;
        std::size_t contentEnd = newline == std::string_view::npos ? text.size() : newline;
        if (contentEnd > begin && text[contentEnd - 1] == '\r') {
            --contentEnd;
        }
        lines.push_back({begin, end, text.substr(begin, contentEnd - begin),
                         newline != std::string_view::npos});
        begin = end;
    }
    return lines;
}

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

std::optional<std::string_view> sectionName(std::string_view line) {
    line = trim(line);
    const auto close = line.rfind(']');
    if (line.empty() || line.front() != '[' || close == std::string_view::npos) {
        return std::nullopt;
    }
    return trim(line.substr(1, close - 1));
}

struct Entry {
    std::string_view key;
    std::string_view value;
};

std::optional<Entry> entry(std::string_view line) {
    line = trim(line);
    const auto equals = line.find('=');
    if (line.empty() || line.front() == ';' || equals == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view value = trim(line.substr(equals + 1));
    // A value may be quoted to keep its blanks; one pair of quotes around it is not part of it.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return Entry{trim(line.substr(0, equals)), value};
}

// Where `key` of `section` is, or would go. Only the first section of that name counts.
struct Location {
    std::optional<std::size_t> section;
    std::optional<std::size_t> key;
    std::size_t lastContent = 0;  // last non-blank line of the section
};

Location locate(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
    Location location;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = sectionName(lines[i].content);
        if (location.section) {
            if (name) {
                break;
            }
            if (!trim(lines[i].content).empty()) {
                location.lastContent = i;
            }
            const auto found = entry(lines[i].content);
            if (found && equalsIgnoringCase(found->key, key)) {
                location.key = i;
                break;
            }
        } else if (name && equalsIgnoringCase(*name, section)) {
            location.section = i;
            location.lastContent = i;
        }
    }
    return location;
}

}  // namespace

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)) {}

std::string ProfileFile::readString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, std::size_t bufferSize) const {
    const Contents contents = load(path_);
    std::string_view value = defaultValue;
    if (contents.state == LoadState::loaded) {
        const std::vector<Line> lines = splitLines(contents.text);
        const Location location = locate(lines, section, key);
        if (location.key) {
            value = entry(lines[*location.key].content)->value;
        }
    }
    const std::size_t room = bufferSize == 0 ? 0 : bufferSize - 1;
    return std::string(value.substr(0, room));
}

int ProfileFile::readInteger(std::string_view section, std::string_view key,
                             std::string_view defaultValue, std::size_t bufferSize) const {
    return leadingInteger(readString(section, key, defaultValue, bufferSize));
}

bool ProfileFile::writeString(std::string_view section, std::string_view key,
                              std::string_view value) const {
    // Anything that would break the line structure is refused rather than written.
    const auto breaksLine = [](std::string_view text) {
        return text.find_first_of("\r\n") != std::string_view::npos;
    };
    if (trim(key).empty() || key.find('=') != std::string_view::npos || breaksLine(key) ||
        breaksLine(value) || breaksLine(section)) {
        return false;
    }

    const Contents contents = load(path_);
    if (contents.state == LoadState::unreadable) {
        return false;
    }
    std::string text = contents.text;
    const std::vector<Line> lines = splitLines(text);
    // New lines follow the file's own line ends; a new file gets CR LF, as the file has always had.
    const std::string newline =
        !lines.empty() && lines.front().terminated &&
                text[lines.front().begin + lines.front().content.size()] != '\r'
            ? "\n"
            : "\r\n";
    const std::string keyLine = std::string(key) + "=" + std::string(value);

    const Location location = locate(lines, section, key);
    if (location.key) {
        const Line& line = lines[*location.key];
        text.replace(line.begin, line.content.size(), keyLine);
    } else if (location.section) {
        const Line& line = lines[location.lastContent];
        const std::string insert = (line.terminated ? "" : newline) + keyLine + newline;
        text.insert(line.end, insert);
    } else {
        if (!text.empty() && text.back() != '\n') {
            text += newline;
        }
        text += "[" + std::string(section) + "]" + newline + keyLine + newline;
    }
    return replaceFile(path_, text, contents.mode);
}

int ProfileFile::leadingInteger(std::string_view text) {
    return readLeadingInteger(text).value;
}
