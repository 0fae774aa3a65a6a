#include "VersionInfo.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

namespace {

// A 16-bit number of the translation table, or nothing for anything else.
std::optional<std::uint16_t> word(const QJsonValue& value) {
    if (!value.isDouble()) {
        return std::nullopt;
    }
    const double number = value.toDouble();
    if (number < 0 || number > 0xFFFF || number != static_cast<int>(number)) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(number);
}

}  // namespace

std::optional<VersionInfo> VersionInfo::parse(const QByteArray& data) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    VersionInfo info;
    // A malformed pair ends the table: the pairs before it stay usable.
    for (const auto& entry :
         root.value(u"VarFileInfo").toObject().value(u"Translation").toArray()) {
        const QJsonArray pair = entry.toArray();
        const std::optional<std::uint16_t> language = word(pair.at(0));
        const std::optional<std::uint16_t> codePage = word(pair.at(1));
        if (pair.size() != 2 || !language || !codePage) {
            break;
        }
        info.translationTable.push_back({*language, *codePage});
    }
    const QJsonObject tables = root.value(u"StringFileInfo").toObject();
    for (auto table = tables.begin(); table != tables.end(); ++table) {
        std::map<QString, QString>& strings = info.stringTables[table.key().toLower()];
        const QJsonObject entries = table.value().toObject();
        for (auto entry = entries.begin(); entry != entries.end(); ++entry) {
            if (entry.value().isString()) {
                strings[entry.key()] = entry.value().toString();
            }
        }
    }
    return info;
}

std::optional<VersionInfo> VersionInfo::loadModule(const QString& moduleName) {
    if (moduleName.isEmpty() || moduleName.contains(u'/')) {
        return std::nullopt;
    }
    QFile file(QStringLiteral(":/version/") + moduleName);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return parse(file.readAll());
}

QString VersionInfo::tableName(const Translation& translation) {
    return QStringLiteral("%1%2")
        .arg(translation.language, 4, 16, QLatin1Char('0'))
        .arg(translation.codePage, 4, 16, QLatin1Char('0'));
}

QString VersionInfo::value(const QString& key) const {
    if (translationTable.empty()) {
        return {};
    }
    const auto table = stringTables.find(tableName(translationTable.front()));
    if (table == stringTables.end()) {
        return {};
    }
    const auto found = table->second.find(key);
    return found == table->second.end() ? QString() : found->second;
}

QString VersionInfo::programString(const QString& key) {
    const std::optional<VersionInfo> info =
        loadModule(QCoreApplication::applicationName() + QStringLiteral(".exe"));
    return info ? info->value(key) : QString();
}
