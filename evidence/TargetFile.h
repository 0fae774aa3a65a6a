#pragma once

#include <string>

// A file that appears whole or not at all. The writer fills a temporary file in the target's
// own folder (same file system, so the final rename is atomic); commit() flushes it to the disk
// and gives it the target's name. Destroyed without a commit, the temporary file is removed:
// an error, a cancel or a full disk leaves nothing behind.
class TargetFile {
public:
    // `replace`: an existing target may be replaced (the user said so); otherwise an existing
    // target is refused, at open() and again at commit().
    explicit TargetFile(std::string target, bool replace = false);
    ~TargetFile();
    TargetFile(const TargetFile&) = delete;
    TargetFile& operator=(const TargetFile&) = delete;

    // Creates the temporary file (empty). False, with error(), when the target exists and may
    // not be replaced, or the folder cannot take a new file.
    bool open();
    const std::string& temporaryPath() const { return temporary; }
    const std::string& targetPath() const { return target; }

    // Syncs the temporary file and renames it to the target. False, with error(), when that
    // fails; the temporary file is then removed.
    bool commit();
    // Removes the temporary file now (also done by the destructor).
    void discard();

    const std::string& error() const { return lastError; }
    // True when open() failed because the target exists.
    bool targetExists() const { return existed; }

private:
    std::string target;
    std::string temporary;
    std::string lastError;
    bool replace = false;
    bool committed = false;
    bool existed = false;
};
