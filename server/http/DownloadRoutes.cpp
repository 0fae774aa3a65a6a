#include "Api.h"

#include <functional>
#include <memory>

#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include "ApiAnswers.h"

using apiAnswers::fail;
using apiAnswers::text;
using nlohmann::json;

// The downloads: a recording's file, its share copy and its evidence package, with Range.

namespace {

// Reads `length` bytes from `offset` of what is sent into `out`; false when it cannot.
using RangeReader = std::function<bool(std::uint64_t offset, char* out, std::size_t length)>;

// False with 416 answered when a range of the request lies past `size`: httplib would answer
// such a range with a nonsense length.
bool rangesFit(Api::Exchange& x, std::uint64_t size) {
    const auto total = static_cast<std::int64_t>(size);
    constexpr std::size_t rangesLimit = 8;
    bool satisfiable = x.req.ranges.size() <= rangesLimit;
    for (const auto& [first, last] : x.req.ranges) {
        const bool suffix = first < 0;
        if ((suffix && last <= 0) || (!suffix && first >= total) || (!suffix && last >= 0 && last < first)) {
            satisfiable = false;
        }
    }
    if (!satisfiable) {
        // No body: httplib would cut it by the same ranges.
        x.res.set_header("Content-Range", "bytes */" + std::to_string(size));
        x.res.status = 416;
    }
    return satisfiable;
}

// True when the request starts at the first byte: a download is logged once, not per range.
bool startsDownload(const httplib::Request& req) {
    return req.ranges.empty() || req.ranges.front().first == 0;
}

// Sends `size` bytes read by `read` through a content provider, so Range works and nothing
// is held in memory whole. The caller has checked the ranges.
void sendRanged(httplib::Response& res, std::uint64_t size, const std::string& type, RangeReader read) {
    res.set_content_provider(static_cast<std::size_t>(size), type,
                             [read = std::move(read)](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                 char buffer[64 * 1024];
                                 const std::size_t take = std::min(length, sizeof buffer);
                                 if (!read(offset, buffer, take)) {
                                     return false;
                                 }
                                 return sink.write(buffer, take);
                             });
}

// A file's bytes from `offset`, all of `length` or false.
bool readFully(const Descriptor& file, std::uint64_t offset, char* out, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        const std::int64_t got = file.readAt(offset + done, out + done, length - done);
        if (got <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace

void Api::recordingFile(Exchange& x) {
    const auto r = pathRecording(x);
    if (!r) {
        return;
    }
    const std::string etag = "\"" + r->sha256 + "\"";
    x.res.set_header("ETag", etag);
    x.res.set_header("Accept-Ranges", "bytes");
    if (x.req.get_header_value("If-None-Match") == etag) {
        x.res.status = 304;
        return;
    }
    auto file = std::make_shared<Descriptor>(Descriptor::openForReading(recordings.pathOf(*r)));
    Descriptor::Facts facts;
    if (!file->valid() || !file->facts(facts)) {
        fail(x.res, 500, "the recording's file cannot be read: " + r->folder);
        return;
    }
    if (!rangesFit(x, facts.size)) {
        return;
    }
    if (startsDownload(x.req)) {
        recordings.log(x.caller, "download", r->sha256, json{{"what", "file"}}.dump());
    }
    x.res.set_header("Content-Disposition", "attachment; filename=\"" + r->sha256 + ".dat\"");
    sendRanged(x.res, facts.size, "application/octet-stream",
               [file](std::uint64_t offset, char* out, std::size_t length) {
                   return readFully(*file, offset, out, length);
               });
}

void Api::sendShareCopy(Exchange& x, const IndexedRecording& r, const std::string& actor,
                        const std::string& client, const std::string& shareId) {
    std::string error;
    const auto path = media.shareCopy(r, recordings.pathOf(r), error);
    if (!path) {
        fail(x.res, 500, "the share copy cannot be made: " + error);
        return;
    }
    auto file = std::make_shared<Descriptor>(Descriptor::openForReading(*path));
    Descriptor::Facts facts;
    struct stat status {};
    if (!file->valid() || !file->facts(facts) || fstat(file->get(), &status) != 0) {
        fail(x.res, 500, "the share copy cannot be read: " + *path);
        return;
    }
    // The copy is made once, but another instance may make it again: its ETag is the file's.
    const std::string etag = "\"" + r.sha256.substr(0, 16) + "-" + std::to_string(facts.size) + "-" +
                             std::to_string(status.st_mtim.tv_sec) + "." + std::to_string(status.st_mtim.tv_nsec) +
                             "\"";
    x.res.set_header("ETag", etag);
    x.res.set_header("Accept-Ranges", "bytes");
    if (x.req.get_header_value("If-None-Match") == etag) {
        x.res.status = 304;
        return;
    }
    if (!rangesFit(x, facts.size)) {
        return;
    }
    if (startsDownload(x.req)) {
        json details{{"what", "share.mp4"}};
        if (!shareId.empty()) {
            details["share"] = shareId;
        }
        CustodyLog(database).append(actor, client, "download", r.sha256, text(details));
    }
    x.res.set_header("Content-Disposition",
                     "inline; filename=\"" + MediaService::packageName(r).substr(0, 15) + "-share.mp4\"");
    sendRanged(x.res, facts.size, "video/mp4", [file](std::uint64_t offset, char* out, std::size_t length) {
        return readFully(*file, offset, out, length);
    });
}

void Api::sendPackage(Exchange& x, const IndexedRecording& r, const std::string& actor,
                      const std::string& client, const std::string& shareId) {
    // The package is made afresh each time: its custody.csv ends with this download.
    std::string error;
    auto zip = media.package(
        r, recordings.pathOf(r),
        [&] {
            json details{{"what", "package.zip"}};
            if (!shareId.empty()) {
                details["share"] = shareId;
            }
            CustodyLog log(database);
            log.append(actor, client, "download", r.sha256, text(details));
            return CustodyLog::csv(log.forRecording(r.sha256));
        },
        error);
    if (!zip) {
        fail(x.res, 500, "the evidence package cannot be made: " + error);
        return;
    }
    const auto archive = std::make_shared<const StoredZip>(std::move(*zip));
    if (!rangesFit(x, archive->size())) {
        return;
    }
    x.res.set_header("Accept-Ranges", "bytes");
    x.res.set_header("Content-Disposition", "attachment; filename=\"" + MediaService::packageName(r) + ".zip\"");
    x.res.set_header("Cache-Control", "no-store");
    sendRanged(x.res, archive->size(), "application/zip",
               [archive](std::uint64_t offset, char* out, std::size_t length) {
                   return archive->read(offset, out, length);
               });
}

void Api::shareCopy(Exchange& x) {
    const auto r = pathRecording(x);
    if (!r) {
        return;
    }
    sendShareCopy(x, *r, x.caller.actor(), x.caller.client, "");
}

void Api::package(Exchange& x) {
    const auto r = pathRecording(x);
    if (!r) {
        return;
    }
    sendPackage(x, *r, x.caller.actor(), x.caller.client, "");
}
