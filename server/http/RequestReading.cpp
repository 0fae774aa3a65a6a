#include "RequestReading.h"

#include "ShareService.h"
#include "Sha256Text.h"

using nlohmann::json;

namespace requestReading {

std::optional<json> jsonObject(std::string_view bytes, std::string& problem) {
    if (bytes.size() > jsonBodyLimit) {
        problem = "the request body is over " + std::to_string(jsonBodyLimit) + " bytes";
        return std::nullopt;
    }
    json body = json::parse(bytes, nullptr, false);
    if (body.is_discarded() || !body.is_object()) {
        problem = "the request body is not one JSON object";
        return std::nullopt;
    }
    return body;
}

std::optional<std::string> expectedSha256(std::string header) {
    for (char& c : header) {
        c = static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
    }
    if (!header.empty() && !sha256Text::isValid(header)) {
        return std::nullopt;
    }
    return header;
}

std::string recordingEdit(const json& body, RecordingService::Edit& edit) {
    for (const auto& [key, value] : body.items()) {
        std::optional<std::string>* field = key == "vehicle"        ? &edit.vehicle
                                            : key == "driver"       ? &edit.driver
                                            : key == "note"         ? &edit.note
                                            : key == "status"       ? &edit.status
                                            : key == "statusReason" ? &edit.statusReason
                                                                    : nullptr;
        if (field != nullptr) {
            if (!value.is_string()) {
                return key + " is a string";
            }
            *field = value.get<std::string>();
        } else if (key == "tags") {
            if (!value.is_array()) {
                return "tags is an array of strings";
            }
            edit.tags.emplace();
            for (const json& tag : value) {
                if (!tag.is_string()) {
                    return "tags is an array of strings";
                }
                edit.tags->push_back(tag.get<std::string>());
            }
        } else if (key == "clockOffset") {
            if (!value.is_number()) {
                return "clockOffset is a number of seconds (true time = recorded time + clockOffset)";
            }
            edit.clockOffset = value.get<double>();
        } else {
            return "cannot edit '" + key + "': vehicle, driver, note, status, statusReason, tags, clockOffset";
        }
    }
    return "";
}

std::string shareRequest(const json& body, std::int64_t nowMs, ShareRequest& request) {
    for (const auto& [key, value] : body.items()) {
        if (key != "expires" && key != "password" && key != "download") {
            return "unknown field '" + key + "': expires, password, download";
        }
    }
    if (!body.contains("expires")) {
        return "expires is needed: a UTC time as 2026-12-31T23:59:59Z, or a number of days";
    }
    const json& expires = body["expires"];
    std::string problem;
    std::optional<std::int64_t> when;
    if (expires.is_string()) {
        when = ShareService::expiryOf(expires.get<std::string>(), nowMs, problem);
    } else if (expires.is_number()) {
        when = ShareService::expiryInDays(expires.get<double>(), nowMs, problem);
    } else {
        problem = "expires is a UTC time as 2026-12-31T23:59:59Z, or a number of days";
    }
    if (!when) {
        return problem;
    }
    request.expiresMs = *when;
    if (body.contains("password") && !body["password"].is_null()) {
        if (!body["password"].is_string() || body["password"].get<std::string>().size() > 1024) {
            return "password is a text of up to 1024 bytes";
        }
        request.password = body["password"].get<std::string>();
    }
    if (body.contains("download")) {
        if (!body["download"].is_boolean()) {
            return "download is true or false";
        }
        request.download = body["download"].get<bool>();
    }
    return "";
}

UploadService::Outcome upload(UploadService& uploads, const UploadRequest& request, const BodyReader& read,
                              const Caller& caller) {
    UploadService::Outcome refused;
    auto staged = uploads.stage(request.fileName, request.announced, refused);
    if (!staged) {
        return refused;
    }
    bool stopped = false;
    const bool whole = read([&](const char* data, std::size_t size) {
        if (!staged->write(data, size)) {
            stopped = true;
            return false;
        }
        return true;
    });
    return uploads.finish(std::move(staged), whole && !stopped, request.expectedSha256, request.depot, caller);
}

}  // namespace requestReading
