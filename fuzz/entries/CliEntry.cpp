// halcyra-cli with fuzzed words, one a line, run inside the scratch folder beside a small
// recording (halcjpeg.dat) and a damaged one (broken.dat). Commands may write files, and
// this may run as root: every word is confined to the scratch folder before it is used.
#include <unistd.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "Commands.h"
#include "FuzzEntries.h"
#include "Prompts.h"
#include "RecordingFileWriter.h"
#include "ScratchFolder.h"
#include "SeedCorpus.h"

namespace {

constexpr std::size_t maxWords = 24;
constexpr std::size_t maxWordLength = 200;

// Says nothing and cancels every choice: the commands report through their error stream.
class SilentPrompts final : public Prompts {
public:
    Answer message(const std::string&, Buttons, Icon) override { return Answer::Cancel; }
    std::optional<std::string> chooseOpenFile(const OpenFileRequest&) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseFolder(const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

// No zero bytes (the C library would cut the path there), no leading "/" and no "..", so a
// path always names something below the working folder.
std::string confined(std::string word) {
    std::erase(word, '\0');
    replaceAll(word, "..", "._");
    word.erase(0, word.find_first_not_of('/'));
    return word;
}

std::vector<std::string> wordsOf(std::span<const std::uint8_t> input) {
    std::vector<std::string> words;
    std::string word;
    for (const std::uint8_t byte : input) {
        if (byte == '\n') {
            words.push_back(confined(std::move(word)));
            word.clear();
            if (words.size() == maxWords) {
                return words;
            }
        } else if (word.size() < maxWordLength) {
            word.push_back(static_cast<char>(byte));
        }
    }
    if (!word.empty()) {
        words.push_back(confined(std::move(word)));
    }
    return words;
}

void prepareFolder() {
    static const std::vector<std::uint8_t> recording = smallRecording();
    static const bool entered = [] {
        static SilentPrompts prompts;
        Prompts::install(&prompts);
        return chdir(scratchFolder().c_str()) == 0;
    }();
    fuzzCheck(entered, "cannot enter the scratch folder");
    emptyScratchFolder();
    const auto broken = std::span(recording).first(recording.size() - recording.size() / 3);
    fuzzCheck(writeFile("halcjpeg.dat", recording) && writeFile("broken.dat", broken),
              "cannot write the recordings");
}

}  // namespace

void fuzzCliArguments(std::span<const std::uint8_t> input) {
    const std::vector<std::string> words = wordsOf(input);
    prepareFolder();
    std::ostringstream out;
    std::ostringstream err;
    const int code = runCli(words, out, err);
    fuzzCheck(code >= 0 && code <= 3, "an exit status the tool does not document");
    fuzzCheck(code != 2 || !err.str().empty(), "a usage error without a message");
}
