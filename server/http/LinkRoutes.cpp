#include "Api.h"

#include <algorithm>
#include <chrono>

#include <nlohmann/json.hpp>

#include "ApiAnswers.h"
#include "RequestReading.h"
#include "WebAssets.h"

using apiAnswers::answer;
using apiAnswers::cookieValue;
using apiAnswers::fail;
using apiAnswers::framesJson;
using apiAnswers::readJson;
using apiAnswers::readJsonText;
using apiAnswers::requestActor;
using apiAnswers::text;
using nlohmann::json;

// Share links: their making and revoking by the fleet, and what a link reaches under /s/{token}.

namespace {

constexpr const char* linkCookie = "halcyra_link";

std::int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

json shareJson(const Share& s) {
    return json{{"id", s.id},
                {"created", ShareService::isoTime(s.createdMs)},
                {"by", s.createdBy},
                {"expires", ShareService::isoTime(s.expiresMs)},
                {"download", s.download},
                {"hasPassword", s.hasPassword},
                {"revoked", s.revokedMs ? json(ShareService::isoTime(*s.revokedMs)) : json(false)}};
}

}  // namespace

void Api::createShare(Exchange& x) {
    const auto r = pathRecording(x);
    if (!r) {
        return;
    }
    json body;
    if (!readJson(x, body)) {
        return;
    }
    requestReading::ShareRequest request;
    if (const std::string wrong = requestReading::shareRequest(body, nowMs(), request); !wrong.empty()) {
        fail(x.res, 400, wrong);
        return;
    }
    const ShareService::Created made =
        shares.create(x.caller, *r, request.expiresMs, request.password, request.download);
    const std::string host = x.req.get_header_value("Host");
    const std::string path = "/s/" + made.token;
    json answerBody = shareJson(made.share);
    // The only time the link is shown.
    answerBody["url"] = host.empty() ? path : (tls() ? "https://" : "http://") + host + path;
    answer(x.res, 201, answerBody);
}

void Api::listShares(Exchange& x) {
    const auto r = pathRecording(x);
    if (!r) {
        return;
    }
    json list = json::array();
    for (const Share& s : shares.list(r->sha256)) {
        list.push_back(shareJson(s));
    }
    answer(x.res, 200, json{{"recording", r->sha256}, {"shares", list}});
}

void Api::revokeShare(Exchange& x) {
    const auto share = shares.byId(x.params[0]);
    // A link of a recording the caller cannot see is no link of theirs.
    if (!share || !recordings.find(x.caller, share->sha256)) {
        fail(x.res, 404, "no such share link");
        return;
    }
    shares.revoke(x.caller, *share);
    answer(x.res, 200, shareJson(*shares.byId(share->id)));
}

std::optional<Share> Api::openLink(Exchange& x) {
    const ShareService::Opened opened = shares.open(x.params[0], cookieValue(x.req, linkCookie));
    using Kind = ShareService::Opened::Kind;
    switch (opened.kind) {
        case Kind::Ok: requestActor = ShareService::actorOf(opened.share); return opened.share;
        case Kind::Unknown: fail(x.res, 404, "この共有リンクは見つかりません"); break;
        case Kind::Expired: fail(x.res, 410, "この共有リンクは期限が切れています"); break;
        case Kind::Revoked: fail(x.res, 410, "この共有リンクは取り消されています"); break;
        case Kind::NeedsPassword:
            answer(x.res, 401, json{{"needsPassword", true}, {"error", "この共有リンクにはパスワードが必要です"}});
            break;
    }
    return std::nullopt;
}

void Api::sharePage(Exchange& x) {
    // The interface's own page, which opens in share mode on /s/ and asks /s/{token}/api for
    // everything; the token is checked there, on each request.
    x.res.set_header("Cache-Control", "no-store");
    sendWebAsset(x, webPage());
}

void Api::linkFacts(Exchange& x) {
    const auto share = openLink(x);
    if (!share) {
        return;
    }
    const auto r = recordingIndex::get(database.connection(), share->sha256);
    if (!r) {
        fail(x.res, 404, "この共有リンクの録画はありません");
        return;
    }
    // What the link shows of the recording: its facts, not the fleet's review of it.
    const json recording{{"sha256", r->sha256},       {"size", r->size},
                         {"captureDate", r->captureDate}, {"firstTime", r->firstTime},
                         {"lastTime", r->lastTime},   {"complete", r->complete},
                         {"depot", r->depot},         {"vehicle", r->vehicle},
                         {"driver", r->driver},       {"clockOffset", r->clockOffset},
                         {"frames", framesJson(recordings.pathOf(*r))}};
    shares.log(*share, x.caller.client, "share_opened", text(json{{"share", share->id}}));
    x.res.set_header("Cache-Control", "no-store");
    answer(x.res, 200, json{{"recording", recording},
                            {"download", share->download},
                            {"expires", ShareService::isoTime(share->expiresMs)},
                            {"needsPassword", false}});
}

void Api::unlockLink(Exchange& x) {
    const ShareService::Opened opened = shares.open(x.params[0], "");
    using Kind = ShareService::Opened::Kind;
    if (opened.kind != Kind::NeedsPassword) {
        if (opened.kind == Kind::Ok) {
            fail(x.res, 400, "this link has no password");
        } else {
            openLink(x);  // answers why it cannot be used
        }
        return;
    }
    const auto password = readJsonText(x, "password");
    if (!password) {
        return;
    }
    requestActor = ShareService::actorOf(opened.share);
    const auto unlocked = shares.unlock(opened.share, *password, x.caller.client);
    using Outcome = ShareService::Unlock::Outcome;
    switch (unlocked.outcome) {
        case Outcome::Locked:
            x.res.set_header("Retry-After", "60");
            fail(x.res, 429, "パスワードの誤りが続いたため、1分間お待ちください");
            return;
        case Outcome::Wrong:
        case Outcome::NoPassword:
            answer(x.res, 401, json{{"needsPassword", true}, {"error", "パスワードが違います"}});
            return;
        case Outcome::Ok: break;
    }
    const std::int64_t seconds = std::max<std::int64_t>(1, (unlocked.expiresMs - nowMs()) / 1000);
    x.res.set_header("Set-Cookie", std::string(linkCookie) + "=" + unlocked.cookie + "; Path=/s/" + x.params[0] +
                                       "; Max-Age=" + std::to_string(seconds) + "; HttpOnly; SameSite=Strict" +
                                       (tls() ? "; Secure" : ""));
    x.res.status = 204;
}

void Api::linkFrame(Exchange& x) {
    if (const auto share = openLink(x)) {
        sendFrame(x, recordings.fileOf(share->sha256), share->sha256, x.params[1]);
    }
}

void Api::linkThumbnail(Exchange& x) {
    if (const auto share = openLink(x)) {
        sendThumbnail(x, recordings.fileOf(share->sha256), share->sha256);
    }
}

std::optional<IndexedRecording> Api::linkedRecording(Exchange& x, const Share& share) {
    auto r = recordingIndex::get(database.connection(), share.sha256);
    if (!r) {
        fail(x.res, 404, "この共有リンクの録画はありません");
    }
    return r;
}

void Api::linkShareCopy(Exchange& x) {
    const auto share = openLink(x);
    const auto r = share ? linkedRecording(x, *share) : std::nullopt;
    if (r) {
        sendShareCopy(x, *r, ShareService::actorOf(*share), x.caller.client, share->id);
    }
}

void Api::linkPackage(Exchange& x) {
    const auto share = openLink(x);
    if (share && !share->download) {
        fail(x.res, 403, "この共有リンクではダウンロードできません");
        return;
    }
    const auto r = share ? linkedRecording(x, *share) : std::nullopt;
    if (r) {
        sendPackage(x, *r, ShareService::actorOf(*share), x.caller.client, share->id);
    }
}
