#pragma once

#include <functional>
#include <string>
#include <vector>

// Where Halcyra keeps Halcyra.ini and where its open dialog and folder chooser start. Run from a
// folder of the user's own (a build folder, an unpacked copy) both are the program folder.
// Installed system-wide, that folder is not the user's: Halcyra.ini goes to the user's
// configuration folder (%APPDATA%\Halcyra on Windows), and the dialogs start where a card
// reader's card appears (/media/USER, /run/media/USER, the first removable drive on Windows),
// else in the home folder (the program folder on Windows).
class UserLocations {
public:
    struct Facts {
        std::string programFolder;    // ends in "/"
        bool programFolderIsOwn = true;
        std::string configFolder;     // the user's, for this program; ends in "/"
        // Where the dialogs start without a card: home; the program folder on Windows. Ends in "/".
        std::string homeFolder;
        std::string userName;
        // Drive roots of removable media ("E:/"), where a card reader's card appears on Windows.
        std::vector<std::string> removableDrives;
        std::function<bool(const std::string&)> folderExists;
    };

    explicit UserLocations(Facts facts);
    // This process: the program folder counts as the user's own when it can be written and is
    // not a system program folder (/usr/bin, /usr/local/bin, the one installed into).
    static UserLocations current();
    // As current(), but with `programFolder` (ending in "/") in place of the program's own.
    static UserLocations forProgramFolder(const std::string& programFolder);

    // The folder that holds Halcyra.ini, ending in "/".
    std::string settingsFolder() const;
    // Where what only this user may read is kept (a device token): the user's configuration
    // folder even when Halcyra.ini is the program folder's, which a portable copy on a shared
    // or removable drive may let others read. Made when missing; ends in "/".
    std::string privateFolder() const;
    // Whether `folder` (ending in "/") is the program's own folder.
    bool isProgramFolder(const std::string& folder) const { return folder == facts_.programFolder; }
    // Where a dialog asked to start in `requested` opens: the program folder becomes the card
    // folder or home on an installed system; any other folder stays as asked.
    std::string startFolder(const std::string& requested) const;
    // The first removable drive, else "/media/USER/" or "/run/media/USER/" when one exists,
    // else empty.
    std::string cardFolder() const;

private:
    Facts facts_;
};
