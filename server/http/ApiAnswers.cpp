#include "ApiAnswers.h"

#include <cctype>
#include <charconv>

#include "FrameIndex.h"
#include "FrameTimeText.h"
#include "RequestReading.h"

using nlohmann::json;

namespace apiAnswers {

namespace {

constexpr std::size_t jsonBodyLimit = requestReading::jsonBodyLimit;

}  // namespace

thread_local std::string requestActor = "-";

std::string text(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

void answer(httplib::Response& res, int status, const json& body) {
    res.status = status;
    res.set_content(text(body), "application/json");
}

void fail(httplib::Response& res, int status, const std::string& message) {
    answer(res, status, json{{"error", message}});
}

std::optional<std::uint64_t> contentLength(const httplib::Request& req) {
    if (!req.has_header("Content-Length")) {
        return std::nullopt;
    }
    const std::string text = req.get_header_value("Content-Length");
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::string cookieValue(const httplib::Request& req, const std::string& name) {
    for (std::size_t i = 0; i < req.get_header_value_count("Cookie"); ++i) {
        const std::string header = req.get_header_value("Cookie", i);
        std::size_t at = 0;
        while (at < header.size()) {
            const std::size_t end = std::min(header.find(';', at), header.size());
            std::string pair = header.substr(at, end - at);
            const auto first = pair.find_first_not_of(' ');
            pair.erase(0, first == std::string::npos ? pair.size() : first);
            if (pair.starts_with(name + "=")) {
                return pair.substr(name.size() + 1);
            }
            at = end + 1;
        }
    }
    return "";
}

bool readJson(Api::Exchange& x, json& body) {
    std::string bytes;
    bool tooLong = false;
    if (x.reader != nullptr) {
        x.bodyRead = true;
        (*x.reader)([&](const char* data, std::size_t size) {
            if (bytes.size() + size > jsonBodyLimit) {
                tooLong = true;
                return false;
            }
            bytes.append(data, size);
            return true;
        });
    } else {
        bytes = x.req.body;
    }
    x.requestIn();
    if (tooLong || bytes.size() > jsonBodyLimit) {
        fail(x.res, 413, "the request body is over " + std::to_string(jsonBodyLimit) + " bytes");
        return false;
    }
    std::string problem;
    auto object = requestReading::jsonObject(bytes, problem);
    if (!object) {
        fail(x.res, 400, problem);
        return false;
    }
    body = std::move(*object);
    return true;
}

std::optional<std::string> readJsonText(Api::Exchange& x, const std::string& name) {
    json body;
    if (!readJson(x, body)) {
        return std::nullopt;
    }
    if (body.size() != 1 || !body.contains(name) || !body[name].is_string()) {
        std::string placeholder = name;  // {"text": TEXT}
        for (char& c : placeholder) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        fail(x.res, 400, "the body is {\"" + name + "\": " + placeholder + "}");
        return std::nullopt;
    }
    return body[name].get<std::string>();
}

json framesJson(const std::string& recordingPath) {
    json frames = json::array();
    if (const auto index = frameIndex::framesOf(recordingPath)) {
        for (std::size_t i = 0; i < index->size(); ++i) {
            const auto& f = (*index)[i];
            frames.push_back(json{{"index", i}, {"number", f.number},
                                  {"time", frameTimeText(f.number)}, {"size", f.size}});
        }
    }
    return frames;
}

}  // namespace apiAnswers
