#include "OutputTarget.h"

#include "FileExists.h"
#include "FolderBrowser.h"
#include "Prompts.h"

namespace {

constexpr const char* folderPrompt =
    "設定値を出力するフォルダを指定してください。\n通常はCFカードを指定してください。";
constexpr const char* replaceQuestion = "次のファイルが存在します。更新しますか？";

}  // namespace

std::optional<std::string> chooseOutputTarget(const std::string& fileName,
                                              const std::string& programFolder) {
    FolderBrowser browser;
    for (;;) {
        browser.setup(folderPrompt, programFolder);
        if (browser.run() != FolderBrowser::chosen) {
            return std::nullopt;
        }
        const std::string target = browser.chosenFolder() + fileName;
        if (!fileExists(target)) {
            return target;
        }
        // The question names the bare file: the user has just picked the folder.
        const Prompts::Answer answer =
            Prompts::current().message(std::string(replaceQuestion) + "\n" + fileName,
                                       Prompts::Buttons::OkCancel, Prompts::Icon::Warning);
        if (answer == Prompts::Answer::Ok) {
            return target;
        }
        // Declined: offer the chooser again, back at the program folder.
        browser.reset();
    }
}

std::string targetIn(const std::string& folder, std::string_view fileName) {
    std::string target = folder;
    if (!target.empty() && target.back() != '/') {
        target += '/';
    }
    return target += fileName;
}
