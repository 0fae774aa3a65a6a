#include "WebAssets.h"

#include <algorithm>
#include <stdexcept>

const WebAsset* findWebAsset(std::string_view name) {
    const auto& table = webAssets();
    const auto found = std::lower_bound(table.begin(), table.end(), name,
                                        [](const WebAsset& a, std::string_view n) { return a.name < n; });
    return found != table.end() && found->name == name ? &*found : nullptr;
}

const WebAsset& webPage() {
    const WebAsset* page = findWebAsset("index.html");
    if (page == nullptr) {
        throw std::logic_error("index.html is missing from the compiled web assets");
    }
    return *page;
}

std::string_view webContentSecurityPolicy() {
    return "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' blob:; "
           "media-src 'self' blob:; connect-src 'self'; font-src 'self'; base-uri 'none'; "
           "form-action 'self'; frame-ancestors 'none'";
}
