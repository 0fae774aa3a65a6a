#pragma once

#include <string>
#include <vector>

#include "ExportProgress.h"

// What checking one file of an evidence package found.
struct PackageFileCheck {
    std::string name;                   // the file's name in the package folder
    std::vector<std::string> problems;  // empty when the file holds
};

struct PackageVerification {
    // Set when the folder could not be checked at all (missing, not a folder, unreadable);
    // `files` is then empty.
    std::string refusal;
    // The files SHA256SUMS names, in its order, then SHA256SUMS itself, then every file of the
    // folder that it does not name.
    std::vector<PackageFileCheck> files;
    bool cancelled = false;

    bool holds() const;
};

// Checks an evidence package as the program writes it: every line of SHA256SUMS against its
// file; that the recording it lists loads; that the original clip carries exactly the
// recording's frames, their recorded bytes and their timestamps; that the share copy has one
// picture at each of those times; that the event still is the event frame's recorded JPEG;
// that the report names the recording's SHA-256; and that the folder holds no file the list
// does not name. A clip altered and its line in SHA256SUMS rewritten to match still fails,
// since the clip is compared with the recording itself. Only reads the folder.
PackageVerification verifyEvidencePackage(const std::string& folder, ExportProgress& progress);
