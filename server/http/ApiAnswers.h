#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "Api.h"
#include "ConnectionWatch.h"

// What the API's areas (Api.cpp and the *Routes.cpp beside it) share: the exchange a handler
// works on and the answers and reading they all use. Nothing outside server/http/ includes it.

struct Api::Exchange {
    const httplib::Request& req;
    httplib::Response& res;
    const httplib::ContentReader* reader;
    Caller caller;
    std::string sessionToken;
    std::vector<std::string> params;  // the path's {sha256} and {index}, in order
    bool bodyRead = false;
    ConnectionWatch* watch = nullptr;

    // The request is in, or its handler reads the rest at its own pace (an upload): the
    // connection is left alone until the answer is out.
    void requestIn() const {
        if (watch != nullptr) {
            watch->handling(req.remote_addr, req.remote_port);
        }
    }
};

namespace apiAnswers {

constexpr const char* sessionCookie = "halcyra_session";

// What the request log needs from the handler's thread: who the caller is, "-" until known.
extern thread_local std::string requestActor;

std::string text(const nlohmann::json& value);

void answer(httplib::Response& res, int status, const nlohmann::json& body);

void fail(httplib::Response& res, int status, const std::string& message);

// The Content-Length header's value; nothing when there is none or it is no number.
std::optional<std::uint64_t> contentLength(const httplib::Request& req);

// The value of the request's cookie `name`; "" when it has none.
std::string cookieValue(const httplib::Request& req, const std::string& name);

// The body of a JSON request, read up to a bound; false with the answer given when it cannot
// be read or is not one JSON object.
bool readJson(Api::Exchange& x, nlohmann::json& body);

// The one string of a body that must be {"`name`": TEXT} and nothing else; nothing, with the
// answer given, when it is not.
std::optional<std::string> readJsonText(Api::Exchange& x, const std::string& name);

// Each frame's index, number, readout time and size.
nlohmann::json framesJson(const std::string& recordingPath);

}  // namespace apiAnswers
