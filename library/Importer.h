#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ImportResult.h"
#include "Library.h"

// Copies recordings into the library, verified: the source is read once while it is hashed,
// the copy is written under a temporary folder in the library, flushed, read back and
// compared, and only then renamed into place under a name that is never replaced, so two
// imports at once (on one PC or several) never leave a duplicate or half an entry. The
// source is only ever read.
//
// Runs on any thread: the window runs it on a worker and watches the progress and cancel
// flag; nothing here touches the user interface.
class Importer {
public:
    // Bytes done and bytes in all, over every recording of the run.
    using Progress = std::function<void(std::uint64_t done, std::uint64_t total)>;
    using ResultHandler = std::function<void(const ImportResult&)>;

    // How many folder levels below a source folder are searched.
    static constexpr int searchDepth = 4;

    explicit Importer(Library library);

    void setProgress(Progress callback) { progress = std::move(callback); }
    // Called with each result as soon as it is known.
    void setResultHandler(ResultHandler handler) { onResult = std::move(handler); }
    // When it becomes true the file being copied is abandoned (nothing left) and the rest
    // are reported as cancelled.
    void setCancelFlag(const std::atomic<bool>* flag) { cancel = flag; }

    // Every file the sources name: files as given, folders searched searchDepth levels deep
    // (symbolic links to folders not followed, the library's own folder left out), in name
    // order. A source that does not exist is reported by the CLI, not here: it is left out.
    std::vector<std::string> filesIn(const std::vector<std::string>& sources) const;

    // Looks at every file of the sources and imports the recordings among them; one result
    // per file, in order.
    std::vector<ImportResult> importSources(const std::vector<std::string>& sources);
    // Imports one file.
    ImportResult importFile(const std::string& source);
    // Takes in `file`, already on the library's disk (in a hidden folder of it, where its
    // recording folder is staged too) and hashed as `sha256` while it was written there, by
    // moving it rather than copying: it is read back once from the disk to check the hash and
    // to learn its facts, then put in place as a copy is. `originalName` and `sourceText`
    // become recording.json's file name and source. Unlike importFile the library is not
    // searched first: a recording already there is found by its folder's name when it is
    // renamed into place. Unless Skipped, or the move failed, the file is gone from where it was.
    ImportResult adoptFile(const std::string& file, const std::string& sha256, const std::string& originalName,
                           const std::string& sourceText);

private:
    ImportResult copyIn(const std::string& source, std::uint64_t size);
    bool cancelled() const { return cancel != nullptr && cancel->load(); }
    void advance(std::uint64_t bytes);

    Library library;
    Progress progress;
    ResultHandler onResult;
    const std::atomic<bool>* cancel = nullptr;
    // Stopped imports' staging folders are cleared before this importer's first copy.
    bool swept = false;
    std::uint64_t doneBytes = 0;
    std::uint64_t totalBytes = 0;
};
