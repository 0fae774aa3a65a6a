#pragma once

#include <string_view>
#include <vector>

// A file of the browser interface, compiled into the server (EmbedAssets.cmake): its bytes
// never change while the server runs.
struct WebAsset {
    std::string_view name;   // "app.js"
    std::string_view type;   // its Content-Type
    std::string_view bytes;
    std::string_view etag;   // quoted, from the bytes' SHA-256
};

// Every asset, in name order (the generated table).
const std::vector<WebAsset>& webAssets();

// The asset served at /assets/`name`, or nullptr.
const WebAsset* findWebAsset(std::string_view name);

// The page that boots the interface: index.html. The same page serves every path of the
// interface (/, /recordings/..., /stats, ...) and a share link's /s/{token}, where it opens
// in share mode.
const WebAsset& webPage();

// The headers every answer of the interface carries: no inline script or style, nothing
// fetched from elsewhere, not framed.
std::string_view webContentSecurityPolicy();
