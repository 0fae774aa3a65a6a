#include "Prompts.h"

#include <cstdio>

namespace {

class StandardErrorPrompts final : public Prompts {
public:
    Answer message(const std::string& text, Buttons, Icon) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        return Answer::Cancel;
    }
    std::optional<std::string> chooseOpenFile(const OpenFileRequest&) override { return {}; }
    std::optional<std::string> chooseFolder(const std::string&, const std::string&) override {
        return {};
    }
};

StandardErrorPrompts fallbackPrompts;
Prompts* installedPrompts = nullptr;

}  // namespace

Prompts& Prompts::current() {
    return installedPrompts != nullptr ? *installedPrompts : fallbackPrompts;
}

void Prompts::install(Prompts* prompts) {
    installedPrompts = prompts;
}

std::optional<std::string> Prompts::chooseSaveFile(const SaveFileRequest&) {
    return {};
}

std::optional<std::string> Prompts::chooseSaveFolder(const std::string&, const std::string&) {
    return {};
}
