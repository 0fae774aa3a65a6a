#include "StepRecord.h"

#include <filesystem>

#include "FileDigest.h"
#include "FileOps.h"

std::string clipMethod(const ClipOptions& options) {
    switch (options.kind) {
    case ClipKind::OriginalAvi:
        return "記録されたJPEGをそのまま（AVI、1/30 秒単位の時刻）";
    case ClipKind::OriginalMkv:
        return "記録されたJPEGをそのまま（MKV、1/1000 秒単位の時刻）";
    case ClipKind::ShareMp4:
        break;
    }
    std::string method = "H.264 CRF 20";
    if (options.overlay) {
        method += "、時刻の焼き込み";
        if (options.clock.stated()) {
            method += "、時計補正 " + clockOffsetText(*options.clock.offsetMilliseconds);
        }
    }
    return method;
}

std::optional<ReportRecordEntry> writtenFileEntry(const std::string& path, const std::string& name,
                                                  std::string what, std::string how,
                                                  std::string& error) {
    std::error_code code;
    const std::uintmax_t size = std::filesystem::file_size(fileOps::fsPath(path), code);
    if (code) {
        error = path + ": cannot be read back: " + code.message();
        return std::nullopt;
    }
    std::optional<std::string> digest = fileSha256(path, error);
    if (!digest) {
        error = path + ": cannot be read back: " + error;
        return std::nullopt;
    }
    return ReportRecordEntry{name, std::move(what), std::move(how), size, std::move(*digest)};
}
