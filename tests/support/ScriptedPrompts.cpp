#include "ScriptedPrompts.h"

#include <utility>

namespace {

template <typename T>
T takeFront(std::deque<T>& queue, T whenEmpty) {
    if (queue.empty()) {
        return whenEmpty;
    }
    T front = std::move(queue.front());
    queue.pop_front();
    return front;
}

}  // namespace

ScriptedPrompts::~ScriptedPrompts() {
    if (&Prompts::current() == this) {
        Prompts::install(nullptr);
    }
}

Prompts::Answer ScriptedPrompts::message(const std::string& text, Buttons buttons, Icon icon) {
    calls_.push_back({Kind::message, text, buttons, icon, {}, {}});
    return takeFront(messageAnswers, Answer::Cancel);
}

std::optional<std::string> ScriptedPrompts::chooseOpenFile(const OpenFileRequest& request) {
    calls_.push_back({Kind::openFile, {}, Buttons::Ok, Icon::None, request.initialFolder, request});
    return takeFront(openFileAnswers, std::optional<std::string>{});
}

std::optional<std::string> ScriptedPrompts::chooseFolder(const std::string& prompt,
                                                         const std::string& initialFolder) {
    calls_.push_back({Kind::folder, prompt, Buttons::Ok, Icon::None, initialFolder, {}});
    return takeFront(folderAnswers, std::optional<std::string>{});
}

std::vector<ScriptedPrompts::Call> ScriptedPrompts::callsOf(Kind kind) const {
    std::vector<Call> matching;
    for (const Call& call : calls_) {
        if (call.kind == kind) {
            matching.push_back(call);
        }
    }
    return matching;
}

std::optional<std::string> ScriptedPrompts::chooseSaveFile(const SaveFileRequest& request) {
    calls_.push_back({Kind::saveFile, request.title, Buttons::Ok, Icon::None, request.initialPath, {}});
    saveFileRequests.push_back(request);
    return takeFront(saveFileAnswers, std::optional<std::string>{});
}

std::optional<std::string> ScriptedPrompts::chooseSaveFolder(const std::string& prompt,
                                                             const std::string& initialFolder) {
    calls_.push_back({Kind::saveFolder, prompt, Buttons::Ok, Icon::None, initialFolder, {}});
    return takeFront(saveFolderAnswers, std::optional<std::string>{});
}
