#include "FolderBrowser.h"

#include <utility>

#include "Prompts.h"

void FolderBrowser::setup(std::string prompt, std::string initialFolder) {
    prompt_ = std::move(prompt);
    initialFolder_ = std::move(initialFolder);
}

int FolderBrowser::run() {
    const auto folder = Prompts::current().chooseFolder(prompt_, initialFolder_);
    // A choice without a path of the file system is no choice.
    if (!folder || folder->empty()) {
        return cancelled;
    }
    chosenFolder_ = *folder;
    if (chosenFolder_.back() != '/') {
        chosenFolder_ += '/';
    }
    return chosen;
}

void FolderBrowser::reset() {
    chosenFolder_.clear();
    initialFolder_.clear();
    prompt_.clear();
}
