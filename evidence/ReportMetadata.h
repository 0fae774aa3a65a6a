#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <QByteArray>
#include <QString>

// The report's XMP packet. Beside the title and the program it names the recording it was made
// from by its SHA-256 (dc:source "sha256:<hex>"), so that a package can be checked against its
// report without reading the drawn text.
QByteArray reportXmp(const QString& title, const QString& creator, const std::string& sha256);

// The recording's SHA-256 that a report's PDF bytes name in their XMP packet; nothing when the
// bytes hold no such name (not a report of this program, or one made before it was written).
std::optional<std::string> reportedRecordingSha256(std::string_view pdf);
