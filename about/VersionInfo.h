#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>

// A version-information store: a translation table of (language, code page) pairs and one
// string table per pair, keyed by the pair as "%04x%04x". Stored as JSON:
//   {"VarFileInfo": {"Translation": [[1041, 932]]},
//    "StringFileInfo": {"041103a4": {"ProductName": "...", ...}}}
class VersionInfo {
public:
    struct Translation {
        std::uint16_t language = 0;
        std::uint16_t codePage = 0;
    };

    // Nothing when the data is not a store of this shape.
    static std::optional<VersionInfo> parse(const QByteArray& data);
    // The store of a module embedded as ":/version/<moduleName>".
    static std::optional<VersionInfo> loadModule(const QString& moduleName);

    const std::vector<Translation>& translations() const { return translationTable; }
    // The value of `key` in the first translation's string table; empty when any part of the
    // lookup fails.
    QString value(const QString& key) const;

    // The value of `key` in the program's own store: the module named after the application
    // ("Halcyra") with ".exe", read afresh on every call. Empty on any failure.
    static QString programString(const QString& key);

    // "%04x%04x" of a translation, the name of its string table.
    static QString tableName(const Translation& translation);

private:
    std::vector<Translation> translationTable;
    std::map<QString, std::map<QString, QString>> stringTables;
};
