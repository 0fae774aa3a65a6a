#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "RecordingService.h"
#include "UploadService.h"

// What the handlers read from a request, apart from the socket: the fuzz target and the tests
// run these on bytes of their own.
namespace requestReading {

constexpr std::size_t jsonBodyLimit = std::size_t{64} * 1024;

// One JSON object, parsed strictly; nothing with `problem` set when the bytes are over the
// limit or not one object.
std::optional<nlohmann::json> jsonObject(std::string_view bytes, std::string& problem);

// The X-Sha256 header's value lower-cased; "" when it is empty, nothing when it is not 64 hex digits.
std::optional<std::string> expectedSha256(std::string header);

// The fields of a PATCH of a recording into `edit`; "" when they all read, else what is wrong.
std::string recordingEdit(const nlohmann::json& body, RecordingService::Edit& edit);

struct ShareRequest {
    std::int64_t expiresMs = 0;
    std::string password;  // "" for none
    bool download = false;
};
// {"expires": ISO 8601 UTC time or days, "password"?: text, "download"?: bool}; "" when it
// reads, else what is wrong.
std::string shareRequest(const nlohmann::json& body, std::int64_t nowMs, ShareRequest& request);

// The body of an upload as it comes: `read` hands each piece to the function it is given
// until that returns false or the body ends; it returns false when the body did not arrive whole.
using BodyReader = std::function<bool(const std::function<bool(const char*, std::size_t)>&)>;

struct UploadRequest {
    std::string fileName;                    // X-Filename
    std::optional<std::uint64_t> announced;  // Content-Length
    std::string expectedSha256;              // "" or 64 lower-case hex digits
    std::string depot;
};
// Stages the body, checks and imports it.
UploadService::Outcome upload(UploadService& uploads, const UploadRequest& request, const BodyReader& read,
                              const Caller& caller);

}  // namespace requestReading
