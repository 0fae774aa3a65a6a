#pragma once

#include <memory>
#include <string>

#include "ExportProgress.h"
#include "ExportResult.h"
#include "ReportExport.h"

class Recording;
class RedactionPlan;

// The names of the files of an evidence package. All but the recording's own start with the
// capture date and time ("20261128-143507-"), or with the recording's file stem when it has
// no valid date.
struct PackageFileNames {
    std::string recording;     // the recording's own file name
    std::string originalClip;  // ...-original.avi
    std::string shareClip;     // ...-share.mp4
    std::string report;        // ...-report.pdf
    std::string eventStill;    // ...-event.jpg
    std::string redaction;     // ...-redaction.json, only with a redacted share copy
    std::string checksums = "SHA256SUMS";
};

PackageFileNames packageFileNames(const Recording& recording, const std::string& recordingPath);

struct PackageOptions {
    ReportOptions report;  // its `replace` is not used
    // The folder may already hold files; files of the package's names in it are replaced, but
    // only once the whole package is complete.
    bool replace = false;
    // The share copy is redacted with it, the report lists it and the package holds it.
    std::shared_ptr<const RedactionPlan> redaction;
};

// Writes the evidence package of `recording` (loaded from `recordingPath`) into `folder`,
// which is created when missing and refused when it holds anything (without `replace`): the
// recording copied byte for byte, the original clip, the share copy, the report, the event
// frame's recorded JPEG and SHA256SUMS, which lists every other file in sha256sum's format so
// that `sha256sum -c SHA256SUMS` in the folder proves the set. Progress runs over the whole
// package. Every file is written under a staging name first and the set takes its names only
// when all are complete: a cancel or any failure leaves no file of the package, the files the
// folder held before exactly as they were, and removes the folder when it made it. The
// recording is only read. Needs a QGuiApplication (overlay, report).
ExportResult exportEvidencePackage(const Recording& recording, const std::string& recordingPath,
                                   const std::string& folder, const PackageOptions& options,
                                   ExportProgress& progress);
