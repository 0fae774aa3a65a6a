#include "RedactionFile.h"

#include <cmath>
#include <fstream>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include "FileOps.h"
#include "TargetWriting.h"

namespace {

// Coordinates far outside any picture mean a mistake, and keep the arithmetic in range.
constexpr double coordinateLimit = 1'000'000;

struct Where {
    int region = 0;  // 1-based as people count; 0 for the file itself
    int key = 0;

    std::string text() const {
        std::string at;
        if (region > 0) {
            at = "region " + std::to_string(region);
        }
        if (key > 0) {
            at += ", key " + std::to_string(key);
        }
        return at.empty() ? at : at + ": ";
    }
};

bool onlyMembers(const QJsonObject& object, std::initializer_list<const char*> known,
                 const Where& where, std::string& error) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool found = false;
        for (const char* name : known) {
            found = found || it.key() == QLatin1String(name);
        }
        if (!found) {
            error = where.text() + "unknown member \"" + it.key().toStdString() + "\"";
            return false;
        }
    }
    return true;
}

std::optional<double> integerMember(const QJsonObject& object, const char* name, double low,
                                    double high, const Where& where, std::string& error) {
    const QJsonValue value = object.value(QLatin1String(name));
    if (value.isUndefined()) {
        error = where.text() + "\"" + name + "\" is missing";
        return std::nullopt;
    }
    const double number = value.toDouble(std::nan(""));
    if (!value.isDouble() || !std::isfinite(number) || std::floor(number) != number) {
        error = where.text() + "\"" + name + "\" must be a whole number";
        return std::nullopt;
    }
    if (number < low || number > high) {
        error = where.text() + "\"" + name + "\" is " + std::to_string(std::llround(number)) +
                ", outside " + std::to_string(std::llround(low)) + " .. " +
                std::to_string(std::llround(high));
        return std::nullopt;
    }
    return number;
}

std::optional<RedactionKey> parseKey(const QJsonValue& value, const Where& where,
                                     std::string& error) {
    if (!value.isObject()) {
        error = where.text() + "a key must be an object";
        return std::nullopt;
    }
    const QJsonObject object = value.toObject();
    if (!onlyMembers(object, {"index", "x", "y", "w", "h"}, where, error)) {
        return std::nullopt;
    }
    const auto index = integerMember(object, "index", 0, 4294967295.0, where, error);
    if (!index) {
        return std::nullopt;
    }
    const auto x = integerMember(object, "x", -coordinateLimit, coordinateLimit, where, error);
    const auto y = x ? integerMember(object, "y", -coordinateLimit, coordinateLimit, where, error)
                     : std::nullopt;
    const auto w = y ? integerMember(object, "w", 1, coordinateLimit, where, error) : std::nullopt;
    const auto h = w ? integerMember(object, "h", 1, coordinateLimit, where, error) : std::nullopt;
    if (!h) {
        return std::nullopt;
    }
    return RedactionKey{static_cast<std::uint32_t>(*index),
                        {static_cast<int>(*x), static_cast<int>(*y), static_cast<int>(*w),
                         static_cast<int>(*h)}};
}

std::optional<RedactionRegion> parseRegion(const QJsonValue& value, Where where,
                                           std::string& error) {
    if (!value.isObject()) {
        error = where.text() + "a region must be an object";
        return std::nullopt;
    }
    const QJsonObject object = value.toObject();
    if (!onlyMembers(object, {"label", "keys"}, where, error)) {
        return std::nullopt;
    }
    const QJsonValue label = object.value(QLatin1String("label"));
    if (!label.isString()) {
        error = where.text() + "\"label\" must be \"plate\", \"face\" or \"other\"";
        return std::nullopt;
    }
    const auto kind = redactionLabelFromName(label.toString().toStdString());
    if (!kind) {
        error = where.text() + "unknown label \"" + label.toString().toStdString() +
                "\" (plate, face or other)";
        return std::nullopt;
    }
    const QJsonValue keys = object.value(QLatin1String("keys"));
    if (!keys.isArray() || keys.toArray().isEmpty()) {
        error = where.text() + "\"keys\" must be a list of at least one key";
        return std::nullopt;
    }
    RedactionRegion region(*kind);
    const QJsonArray list = keys.toArray();
    for (qsizetype k = 0; k < list.size(); ++k) {
        where.key = static_cast<int>(k) + 1;
        const auto key = parseKey(list.at(k), where, error);
        if (!key) {
            return std::nullopt;
        }
        if (!region.empty() && key->index <= region.lastIndex()) {
            error = where.text() + "index " + std::to_string(key->index) +
                    " is not after the key before it (" + std::to_string(region.lastIndex()) +
                    "); keys go in frame order, one per frame";
            return std::nullopt;
        }
        region.setKey(*key);
    }
    return region;
}

}  // namespace

std::optional<RedactionPlan> parseRedaction(std::span<const char> bytes, std::string& error) {
    if (bytes.size() > redactionFileLimit) {
        error = "larger than " + std::to_string(redactionFileLimit >> 20) + " MiB";
        return std::nullopt;
    }
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = "not valid JSON at byte " + std::to_string(parseError.offset) + ": " +
                parseError.errorString().toStdString();
        return std::nullopt;
    }
    if (!document.isObject()) {
        error = "the file must hold one JSON object";
        return std::nullopt;
    }
    const QJsonObject object = document.object();
    if (!onlyMembers(object, {"version", "regions"}, {}, error)) {
        return std::nullopt;
    }
    const QJsonValue version = object.value(QLatin1String("version"));
    if (version.isUndefined()) {
        error = "\"version\" is missing";
        return std::nullopt;
    }
    if (!version.isDouble()) {
        error = "\"version\" must be a number";
        return std::nullopt;
    }
    if (version.toDouble() != 1.0) {
        error = "unknown version " + QString::number(version.toDouble()).toStdString() +
                " (this program reads version 1)";
        return std::nullopt;
    }
    const QJsonValue regions = object.value(QLatin1String("regions"));
    if (!regions.isArray()) {
        error = "\"regions\" must be a list";
        return std::nullopt;
    }
    RedactionPlan plan;
    const QJsonArray list = regions.toArray();
    for (qsizetype r = 0; r < list.size(); ++r) {
        auto region = parseRegion(list.at(r), Where{static_cast<int>(r) + 1, 0}, error);
        if (!region) {
            return std::nullopt;
        }
        plan.regions().push_back(std::move(*region));
    }
    return plan;
}

std::optional<std::string> redactionMisfit(const RedactionPlan& plan, std::size_t frameCount) {
    for (std::size_t r = 0; r < plan.regions().size(); ++r) {
        const RedactionRegion& region = plan.regions()[r];
        if (region.empty()) {
            return "region " + std::to_string(r + 1) + ": has no key";
        }
        if (region.lastIndex() >= frameCount) {
            const std::size_t k = region.keys().size();
            return "region " + std::to_string(r + 1) + ", key " + std::to_string(k) + ": index " +
                   std::to_string(region.lastIndex()) +
                   (frameCount == 0 ? std::string(" is outside the recording, which has no frame")
                                    : " is past the recording's last frame (" +
                                          std::to_string(frameCount - 1) + ")");
        }
    }
    return std::nullopt;
}

std::optional<RedactionPlan> readRedactionFile(const std::string& path, std::size_t frameCount,
                                               std::string& error) {
    std::ifstream file(fileOps::fsPath(path), std::ios::binary);
    if (!file) {
        error = path + ": cannot be read";
        return std::nullopt;
    }
    std::string bytes;
    bytes.resize(redactionFileLimit + 1);
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (file.bad()) {
        error = path + ": cannot be read";
        return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    std::string what;
    std::optional<RedactionPlan> plan = parseRedaction(bytes, what);
    if (plan) {
        if (auto misfit = redactionMisfit(*plan, frameCount)) {
            what = std::move(*misfit);
            plan.reset();
        }
    }
    if (!plan) {
        error = path + ": " + what;
    }
    return plan;
}

std::string redactionJson(const RedactionPlan& plan) {
    std::string text = "{\"version\": 1, \"regions\": [";
    for (std::size_t r = 0; r < plan.regions().size(); ++r) {
        const RedactionRegion& region = plan.regions()[r];
        text += r == 0 ? "\n" : ",\n";
        text += "  {\"label\": \"" + std::string(redactionLabelName(region.label())) +
                "\", \"keys\": [";
        for (std::size_t k = 0; k < region.keys().size(); ++k) {
            const RedactionKey& key = region.keys()[k];
            text += k == 0 ? "\n" : ",\n";
            text += "    {\"index\": " + std::to_string(key.index) +
                    ", \"x\": " + std::to_string(key.rect.x) +
                    ", \"y\": " + std::to_string(key.rect.y) +
                    ", \"w\": " + std::to_string(key.rect.w) +
                    ", \"h\": " + std::to_string(key.rect.h) + "}";
        }
        text += "]}";
    }
    text += plan.regions().empty() ? "]}\n" : "\n]}\n";
    return text;
}

ExportResult writeRedactionFile(const RedactionPlan& plan, const std::string& target,
                                bool replace) {
    const std::string text = redactionJson(plan);
    return writeTargetBytes(target, std::span<const char>(text.data(), text.size()), replace);
}
