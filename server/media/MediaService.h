#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "Library.h"
#include "RecordingIndex.h"
#include "StoredZip.h"

// What the server makes from a recording with evidence/'s code: the share copy (H.264 with
// the times burned in) and the evidence package. No HTTP here.
//
// Share copies are kept in the library's hidden folder .halcyra-cache/ (the library's readers
// pass over hidden folders), one per recording and clock offset, each made in a private
// temporary folder and renamed into place whole: a request never sees half a copy, and two
// makers of the same copy (threads here, or another instance on the same folder) each put a
// complete file there, the later replacing the earlier. Needs a QGuiApplication (drawing).
class MediaService {
public:
    explicit MediaService(Library library);

    // Where the files are kept and made.
    std::string cacheFolder() const;
    // Removes the temporary folders a stopped server left in the cache (untouched for an hour).
    void removeLeftovers() const;

    // The path of the share copy of `r` (its file at `recordingPath`), made now when missing;
    // nothing with `error` saying what failed.
    std::optional<std::string> shareCopy(const IndexedRecording& r, const std::string& recordingPath,
                                         std::string& error);

    // The evidence package of `r` with custody.csv beside the other files (its text from
    // `custodyCsv`, asked once the rest is written) and named in SHA256SUMS, as a ZIP laid out
    // for reading. The package's files are made in a temporary folder that is gone by the time
    // this returns; the archive holds them open. Nothing with `error` when it cannot be made.
    std::optional<StoredZip> package(const IndexedRecording& r, const std::string& recordingPath,
                                     const std::function<std::string()>& custodyCsv, std::string& error);

    // The list's thumbnail of the recording `sha256` (its file at `recordingPath`): made once
    // and kept in the cache, as a list is opened again and again. Nothing when the recording
    // has no frame that decodes.
    std::optional<std::string> thumbnail(const std::string& sha256, const std::string& recordingPath) const;

    // The archive's name for `r`: "20261128-143507-evidence.zip", or after the recording's sha256.
    static std::string packageName(const IndexedRecording& r);

private:
    std::shared_ptr<std::mutex> lockFor(const std::string& key);

    Library library;
    std::mutex locksGuard;
    std::map<std::string, std::weak_ptr<std::mutex>> locks;
};
