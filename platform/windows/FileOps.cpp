#include "FileOps.h"

#include <cerrno>
#include <cstdio>
#include <random>
#include <utility>

#include <windows.h>

#include "TemporaryName.h"
#include "WideText.h"

namespace fileOps {

namespace {

// Windows' error codes as the portable conditions callers compare with.
std::error_code fromWindowsError(DWORD error) {
    switch (error) {
    case ERROR_SUCCESS:
        return std::make_error_code(std::errc::io_error);  // failed without saying why
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
        return std::make_error_code(std::errc::no_such_file_or_directory);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return std::make_error_code(std::errc::file_exists);
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return std::make_error_code(std::errc::permission_denied);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return std::make_error_code(std::errc::device_or_resource_busy);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return std::make_error_code(std::errc::no_space_on_device);
    case ERROR_NOT_SAME_DEVICE:
        return std::make_error_code(std::errc::cross_device_link);
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
    case ERROR_NO_UNICODE_TRANSLATION:
        return std::make_error_code(std::errc::invalid_argument);
    case ERROR_FILENAME_EXCED_RANGE:
        return std::make_error_code(std::errc::filename_too_long);
    default:
        return std::make_error_code(std::errc::io_error);
    }
}

std::error_code lastError() { return fromWindowsError(GetLastError()); }

std::error_code invalidName() { return std::make_error_code(std::errc::invalid_argument); }

class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle& operator=(Handle&&) = delete;
    ~Handle() {
        if (valid()) {
            CloseHandle(handle_);
        }
    }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    bool close() { return CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != 0; }

private:
    HANDLE handle_;
};

bool writeAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = bytes.size() > (1U << 30) ? (1U << 30) : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (WriteFile(file, bytes.data(), chunk, &written, nullptr) == 0 || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

// A new, empty file of a fresh name beside `path`, like mkstemp's.
Handle createTemporaryBeside(const std::wstring& path, std::wstring& temporaryPath) {
    static constexpr wchar_t letters[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<std::size_t> pick(0, std::size(letters) - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = path + L".";
        for (int i = 0; i < 6; ++i) {
            temporaryPath += letters[pick(random)];
        }
        Handle file(CreateFileW(temporaryPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.valid() || (GetLastError() != ERROR_FILE_EXISTS &&
                             GetLastError() != ERROR_ALREADY_EXISTS)) {
            return file;
        }
    }
    return Handle(INVALID_HANDLE_VALUE);
}

}  // namespace

std::error_code moveEntry(const std::string& from, const std::string& to, bool replace) {
    const auto source = wideText(from);
    const auto target = wideText(to);
    if (!source || !target) {
        return invalidName();
    }
    // Without MOVEFILE_REPLACE_EXISTING an existing file or folder of the target's name stays.
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (MoveFileExW(source->c_str(), target->c_str(), flags) == 0) {
        return lastError();
    }
    return {};
}

std::error_code removeFile(const std::string& path) {
    const auto wide = wideText(path);
    if (!wide) {
        return invalidName();
    }
    if (DeleteFileW(wide->c_str()) != 0 || GetLastError() == ERROR_FILE_NOT_FOUND) {
        return {};
    }
    return lastError();
}

std::error_code createTemporaryFolder(std::string& pattern) {
    TemporaryName name(pattern);
    if (!name.valid()) {
        return invalidName();
    }
    for (int attempt = 0; attempt < TemporaryName::attempts; ++attempt) {
        name.next();
        const auto wide = wideText(pattern);
        if (!wide) {
            return invalidName();
        }
        if (CreateDirectoryW(wide->c_str(), nullptr) != 0) {
            return {};
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            return lastError();
        }
    }
    return std::make_error_code(std::errc::file_exists);
}

std::error_code flushToDisk(const std::string& path) {
    const auto name = wideText(path);
    if (!name) {
        return invalidName();
    }
    const DWORD attributes = GetFileAttributesW(name->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return lastError();
    }
    // A folder's entries are in the file system's own journal; Windows cannot flush a folder.
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return {};
    }
    Handle file(CreateFileW(name->c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return lastError();
    }
    if (FlushFileBuffers(file.get()) == 0) {
        return lastError();
    }
    return {};
}

FileHandle openStream(const std::string& path, std::string_view mode) {
    std::string binaryMode(mode);
    if (binaryMode.find('b') == std::string::npos) {
        binaryMode += 'b';
    }
    const auto name = wideText(path);
    const auto wideMode = wideText(binaryMode);
    if (!name || !wideMode) {
        errno = EINVAL;
        return FileHandle();
    }
    return FileHandle(_wfopen(name->c_str(), wideMode->c_str()));
}

std::filesystem::path fsPath(const std::string& path) {
    return {std::u8string(path.begin(), path.end())};
}

std::string utf8Path(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

FileContents readSmallFile(const std::string& path, std::size_t limit) {
    const auto name = wideText(path);
    if (!name) {
        return {invalidName(), {}};
    }
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder cannot be opened: it is refused, not missing.
    Handle file(CreateFileW(name->c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return {lastError(), {}};
    }
    if (GetFileType(file.get()) != FILE_TYPE_DISK) {
        return {std::make_error_code(std::errc::invalid_argument), {}};
    }
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file.get(), &size) == 0) {
        return {lastError(), {}};
    }
    const auto tooLarge = std::make_error_code(std::errc::file_too_large);
    if (size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > limit) {
        return {tooLarge, {}};
    }
    FileContents contents;
    char buffer[16384];
    for (;;) {
        DWORD count = 0;
        if (ReadFile(file.get(), buffer, sizeof buffer, &count, nullptr) == 0) {
            return {lastError(), {}};
        }
        if (count == 0) {
            return contents;
        }
        contents.bytes.append(buffer, count);
        if (contents.bytes.size() > limit) {
            return {tooLarge, {}};
        }
    }
}

std::error_code replaceFile(const std::string& path, std::string_view bytes,
                            unsigned /*permissions*/) {
    // Windows has no mode bits: the new file takes the folder's inherited access rights, as
    // every file a Windows program saves does.
    const auto name = wideText(path);
    if (!name) {
        return invalidName();
    }
    std::wstring temporaryPath;
    Handle file = createTemporaryBeside(*name, temporaryPath);
    if (!file.valid()) {
        return lastError();
    }
    if (writeAll(file.get(), bytes) && FlushFileBuffers(file.get()) != 0 && file.close() &&
        MoveFileExW(temporaryPath.c_str(), name->c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0) {
        return {};
    }
    const std::error_code code = lastError();
    if (file.valid()) {
        file.close();
    }
    DeleteFileW(temporaryPath.c_str());
    return code;
}

std::string executableFolder() {
    // A name that fills the buffer may have been cut short: a larger one, up to the longest
    // path the system has.
    std::wstring name;
    for (DWORD size = MAX_PATH; name.empty() && size <= 65536; size *= 2) {
        std::wstring buffer(size, L'\0');
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), size);
        if (length == 0) {
            return {};
        }
        if (length < size) {
            name = buffer.substr(0, length);
        }
    }
    std::string folder = utf8Text(name);
    for (char& c : folder) {
        if (c == '\\') {
            c = '/';
        }
    }
    const std::size_t slash = folder.find_last_of('/');
    return slash == std::string::npos ? std::string() : folder.substr(0, slash);
}

}  // namespace fileOps
