// Any bytes as what a client sends halcyra-server, read as its handlers read it. The first
// byte picks the reader:
//   even: the rest is the JSON body of a request (a PATCH of a recording, a share link's
//         request) through the strict, bounded reader and the field readers after it;
//   odd:  an upload: the second byte sets the piece size, the third what the client says
//         (bit 0: Content-Length given, bit 1: an X-Sha256 that is the bytes', bit 2: one
//         that is not), then X-Filename up to a newline, then the body.
// Whatever comes, the answer is one the API gives, a share's expiry lies within its bounds,
// and an upload leaves the library and its index agreeing, with no staging folder behind.
#include <algorithm>
#include <filesystem>
#include <string>

#include "Accounts.h"
#include "Database.h"
#include "FuzzEntries.h"
#include "Library.h"
#include "RequestReading.h"
#include "ScratchFolder.h"
#include "Sha256.h"
#include "ShareService.h"

namespace {

constexpr std::int64_t now = 1'800'000'000'000;  // a fixed "now": the same input, the same run
constexpr std::uint64_t uploadLimit = std::uint64_t{256} * 1024;

void readJsonBody(std::string_view bytes) {
    std::string problem;
    const auto body = requestReading::jsonObject(bytes, problem);
    if (!body) {
        fuzzCheck(!problem.empty(), "a body refused without a reason");
        return;
    }
    fuzzCheck(body->is_object() && bytes.size() <= requestReading::jsonBodyLimit, "a body let through unbounded");
    RecordingService::Edit edit;
    if (requestReading::recordingEdit(*body, edit).empty()) {
        fuzzCheck(!edit.clockOffset || body->contains("clockOffset"), "a clock offset out of nowhere");
    }
    requestReading::ShareRequest share;
    if (requestReading::shareRequest(*body, now, share).empty()) {
        fuzzCheck(share.expiresMs > now && share.expiresMs <= now + ShareService::maxDays * 24 * 3600 * 1000,
                  "a share link's expiry past its bounds");
        fuzzCheck(share.password.size() <= 1024, "an unbounded share password");
    }
}

void readUpload(std::span<const std::uint8_t> input) {
    if (input.size() < 3) {
        return;
    }
    const std::size_t piece = std::size_t{input[1]} * 64 + 1;
    const std::uint8_t says = input[2];
    const std::string_view rest(reinterpret_cast<const char*>(input.data()) + 3, input.size() - 3);
    const std::size_t newline = std::min(rest.find('\n'), rest.size());
    const std::string fileName(rest.substr(0, newline));
    const std::string_view body = rest.substr(std::min(newline + 1, rest.size()));

    emptyScratchFolder();
    const std::string root = (scratchFolder() / "library").string();
    const auto database = store::open("sqlite:" + (scratchFolder() / "server.sqlite").string());
    const Library library(root);
    UploadService uploads(*database, library, uploadLimit);

    requestReading::UploadRequest request;
    request.fileName = fileName;
    if ((says & 1) != 0) {
        request.announced = body.size();
    }
    Sha256 hash;
    hash.update(body.data(), body.size());
    const std::string sha256 = hash.finalHex();
    if ((says & 2) != 0) {
        request.expectedSha256 = sha256;
    } else if ((says & 4) != 0) {
        request.expectedSha256 = std::string(64, 'e');
    }
    Caller caller;
    caller.kind = Caller::Kind::Device;
    caller.deviceName = "fuzz";
    caller.deviceDepot = "north";
    const auto outcome = requestReading::upload(
        uploads, request,
        [body, piece](const std::function<bool(const char*, std::size_t)>& sink) {
            for (std::size_t at = 0; at < body.size(); at += piece) {
                if (!sink(body.data() + at, std::min(piece, body.size() - at))) {
                    return true;
                }
            }
            return true;
        },
        caller);

    using Kind = UploadService::Outcome::Kind;
    const bool kept = outcome.kind == Kind::Imported || outcome.kind == Kind::Present;
    fuzzCheck(kept || !outcome.reason.empty(), "an upload refused without a reason");
    if (body.size() > uploadLimit) {
        fuzzCheck(outcome.kind == Kind::TooLarge, "an upload over the limit was not refused as such");
    }
    if (request.expectedSha256 == std::string(64, 'e') && sha256 != request.expectedSha256 && kept) {
        fuzzCheck(false, "an upload whose X-Sha256 is not its bytes' was kept");
    }
    const std::int64_t indexed = database->connection().query("SELECT COUNT(*) FROM recordings")[0][0].integer();
    fuzzCheck(indexed == (kept ? 1 : 0), "the index does not hold what the upload answered");
    fuzzCheck(kept == (outcome.recording && outcome.recording->sha256 == sha256),
              "the recording answered is not the bytes sent");
    fuzzCheck(library.entries().size() == static_cast<std::size_t>(indexed), "the library and its index disagree");
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(root, error)) {
        fuzzCheck(!entry.path().filename().string().starts_with(".upload-"), "a staging folder was left behind");
    }
}

}  // namespace

void fuzzServerRequest(std::span<const std::uint8_t> input) {
    if (input.empty()) {
        return;
    }
    if ((input[0] & 1) == 0) {
        readJsonBody(std::string_view(reinterpret_cast<const char*>(input.data()) + 1, input.size() - 1));
    } else {
        readUpload(input);
    }
}
