#include "TargetWriting.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "Descriptor.h"
#include "TargetFile.h"

namespace {

std::string because(const std::string& path, const char* what) {
    return path + ": " + what + ": " + std::strerror(errno);
}

ExportResult targetFailure(const TargetFile& file) {
    return ExportResult::failure(
        file.targetExists() ? ExportResult::Status::Refused : ExportResult::Status::Failed,
        file.error());
}

}  // namespace

ExportResult writeTargetBytes(const std::string& target, std::span<const char> bytes,
                              bool replace) {
    TargetFile file(target, replace);
    if (!file.open()) {
        return targetFailure(file);
    }
    Descriptor out = Descriptor::openForWriting(file.temporaryPath());
    if (!out.valid() || !out.writeAll(bytes.data(), bytes.size()) || !out.close()) {
        return ExportResult::failure(ExportResult::Status::Failed,
                                     because(target, "cannot be written"));
    }
    if (!file.commit()) {
        return targetFailure(file);
    }
    return ExportResult::ok();
}

ExportResult copyToTarget(const std::string& source, const std::string& target, bool replace,
                          ExportProgress& progress) {
    const Descriptor in = Descriptor::openForReading(source);
    Descriptor::Facts facts;
    if (!in.valid() || !in.facts(facts)) {
        return ExportResult::failure(ExportResult::Status::Failed,
                                     because(source, "cannot be read"));
    }
    const std::uint64_t total = facts.size;
    TargetFile file(target, replace);
    if (!file.open()) {
        return targetFailure(file);
    }
    Descriptor out = Descriptor::openForWriting(file.temporaryPath());
    if (!out.valid()) {
        return ExportResult::failure(ExportResult::Status::Failed,
                                     because(target, "cannot be written"));
    }
    std::vector<char> block(std::size_t{1} << 20);
    std::uint64_t done = 0;
    for (;;) {
        if (progress.isCancelled()) {
            return ExportResult::failure(ExportResult::Status::Cancelled, target + ": cancelled");
        }
        const std::int64_t got = in.readSome(block.data(), block.size());
        if (got < 0) {
            return ExportResult::failure(ExportResult::Status::Failed,
                                         because(source, "cannot be read"));
        }
        if (got == 0) {
            break;
        }
        if (!out.writeAll(block.data(), static_cast<std::size_t>(got))) {
            return ExportResult::failure(ExportResult::Status::Failed,
                                         because(target, "cannot be written"));
        }
        done += static_cast<std::uint64_t>(got);
        progress.advance(done, std::max(done, total));
    }
    if (!out.close()) {
        return ExportResult::failure(ExportResult::Status::Failed,
                                     because(target, "cannot be written"));
    }
    if (!file.commit()) {
        return targetFailure(file);
    }
    return ExportResult::ok();
}
