#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The folder an evidence package goes into, and the package's files while they are written.
// Every file is written into a staging folder inside it; place() moves the whole set to its
// names only once every file is complete, keeping what the folder held until then. Without
// place() (a failure, a cancel), the staging folder and the folders create() made are removed,
// and the folder is exactly as it was.
class PackageFolder {
public:
    explicit PackageFolder(std::filesystem::path folder);
    ~PackageFolder();
    PackageFolder(const PackageFolder&) = delete;
    PackageFolder& operator=(const PackageFolder&) = delete;

    // Creates the folder and any missing folders above it, clears leftovers, then makes the
    // staging folder.
    bool create(std::string& error);

    // Clears what a run that stopped (a crash, a power cut) left in `folder`: its staging
    // folders, with the old files they held given their names again where that run had not
    // placed every new file. False, with `error`, when one cannot be cleared.
    static bool clearLeftovers(const std::filesystem::path& folder, std::string& error);

    // Where the file `name` of the package is written before place().
    std::string stagedPathOf(const std::string& name) const;
    // The file `name` is complete.
    void wrote(const std::string& name) { files.push_back(name); }
    const std::vector<std::string>& written() const { return files; }

    // Gives every written file its name in the folder. With `replace`, files of those names
    // are replaced (and the old ones deleted once all new ones are in place); without it an
    // existing one fails the whole step. On failure every old file is back under its name.
    bool place(bool replace, std::string& error);

private:
    void takeBack();
    // Undoes the first `count` placements.
    void restore(std::size_t count);

    std::filesystem::path folder;
    std::filesystem::path staging;
    std::vector<std::filesystem::path> made;
    std::vector<std::string> files;
    std::vector<bool> hadOld;
    bool placed = false;
};
