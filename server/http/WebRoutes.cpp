#include "Api.h"

#include <string>

#include "ApiAnswers.h"
#include "WebAssets.h"

using apiAnswers::fail;

// The browser interface's page and assets.

void Api::web(Exchange& x) {
    const WebAsset* asset = x.req.path.starts_with("/assets/") ? findWebAsset(x.params[0]) : &webPage();
    if (asset == nullptr) {
        fail(x.res, 404, "no such path");
        return;
    }
    // The names stay the same from one server version to the next: the browser asks again
    // each time and is answered 304 while the bytes are the same.
    x.res.set_header("Cache-Control", "no-cache");
    sendWebAsset(x, *asset);
}

void Api::sendWebAsset(Exchange& x, const WebAsset& asset) {
    x.res.set_header("Content-Security-Policy", std::string(webContentSecurityPolicy()));
    x.res.set_header("X-Content-Type-Options", "nosniff");
    // A share link's token is in its path: no other site is told it.
    x.res.set_header("Referrer-Policy", "no-referrer");
    x.res.set_header("ETag", std::string(asset.etag));
    if (x.req.get_header_value("If-None-Match") == asset.etag) {
        x.res.status = 304;
        return;
    }
    x.res.status = 200;
    x.res.set_content(asset.bytes.data(), asset.bytes.size(), std::string(asset.type));
}
