#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "Prompts.h"

// Prompts for tests: records every question and answers from queues filled beforehand.
// An empty queue answers Cancel, or no choice. Install it with Prompts::install(&prompts);
// the destructor uninstalls it if it is still the one in use.
class ScriptedPrompts final : public Prompts {
public:
    enum class Kind { message, openFile, folder, saveFile, saveFolder };

    struct Call {
        Kind kind;
        std::string text;  // message text, or the folder chooser's prompt
        Buttons buttons = Buttons::Ok;
        Icon icon = Icon::None;
        std::string initialFolder;  // folder choosers, open-file dialog; the save dialog's path
        OpenFileRequest openFile;   // open-file dialog only
    };

    ScriptedPrompts() = default;
    ScriptedPrompts(const ScriptedPrompts&) = delete;
    ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;
    ~ScriptedPrompts() override;

    Answer message(const std::string& text, Buttons buttons, Icon icon) override;
    std::optional<std::string> chooseOpenFile(const OpenFileRequest& request) override;
    std::optional<std::string> chooseFolder(const std::string& prompt,
                                            const std::string& initialFolder) override;

    std::deque<Answer> messageAnswers;
    std::deque<std::optional<std::string>> openFileAnswers;
    std::deque<std::optional<std::string>> folderAnswers;

    std::optional<std::string> chooseSaveFile(const SaveFileRequest& request) override;
    std::optional<std::string> chooseSaveFolder(const std::string& prompt,
                                                const std::string& initialFolder) override;
    std::deque<std::optional<std::string>> saveFileAnswers;
    std::deque<std::optional<std::string>> saveFolderAnswers;
    // Every save-file request in full, in order.
    std::vector<SaveFileRequest> saveFileRequests;

    const std::vector<Call>& calls() const { return calls_; }
    // The calls of one kind, in order.
    std::vector<Call> callsOf(Kind kind) const;
    void clear() { calls_.clear(); }

private:
    std::vector<Call> calls_;
};
