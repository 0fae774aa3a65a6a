#pragma once

#include <optional>
#include <string>

// Everything that waits for a person goes through this interface: message boxes, the
// open-file dialog and the folder chooser. The program installs the real dialogs; tests
// install a scripted stand-in so that nothing ever blocks on a modal window.
class Prompts {
public:
    enum class Buttons { Ok, OkCancel };
    enum class Icon { None, Warning, Stop };
    enum class Answer { Ok, Cancel };

    struct OpenFileRequest {
        std::string initialFolder;    // ends in "/"
        std::string defaultName;      // e.g. "halcjpeg.dat"
        std::string defaultSuffix;    // e.g. "dat"
        std::string filter;           // e.g. "ソラミル画像ファイル(*.dat)|*.dat||"
    };

    virtual ~Prompts() = default;

    // A modal message box captioned with the application title "Halcyra".
    virtual Answer message(const std::string& text, Buttons buttons, Icon icon) = 0;
    // Full path of the chosen file, or nothing when the user cancelled.
    virtual std::optional<std::string> chooseOpenFile(const OpenFileRequest& request) = 0;
    // The chosen folder as a file-system path (not necessarily ending in "/"), or nothing.
    virtual std::optional<std::string> chooseFolder(const std::string& prompt,
                                                    const std::string& initialFolder) = 0;

    // The prompts in use. Until one is installed, messages go to standard error and every
    // choice is cancelled, which suits the command-line tool.
    static Prompts& current();
    // Installs `prompts` (not owned; nullptr restores the default).
    static void install(Prompts* prompts);

    struct SaveFileRequest {
        std::string title;          // the dialog's caption
        std::string initialPath;    // folder and suggested file name
        std::string defaultSuffix;  // e.g. "mp4"
        std::string filter;         // as for the open-file dialog
    };

    // Full path of a file to write, or nothing when the user cancelled. An existing file is
    // not asked about here: the caller asks through message() before replacing it. Without
    // an override every choice is cancelled, as in the command-line tool.
    virtual std::optional<std::string> chooseSaveFile(const SaveFileRequest& request);
    // A folder to write into (the dialog can make a new one), or nothing.
    virtual std::optional<std::string> chooseSaveFolder(const std::string& prompt,
                                                        const std::string& initialFolder);
};
