#pragma once

#include <QString>

// Every text of the version dialog; the product and copyright lines come from the version
// information.
namespace aboutTexts {

inline const QString caption = QStringLiteral("バージョン情報");
inline const QString productPlaceholder = QStringLiteral("PRODUCTNAME");
inline const QString copyrightPlaceholder = QStringLiteral("COPYRIGHT");
inline const QString ok = QStringLiteral("OK");
inline const QString versionWord = QStringLiteral(" Version ");
inline const QString notice = QStringLiteral(
    "本製品の改変およびリバースエンジニアリングを禁じます。"
    "本ソフトウェアの使用により生じた損害について、作者は一切の責任を負いません。");
inline const QString fontFamily = QStringLiteral("MS UI Gothic");
// A proportional Japanese font like the template's, for systems without it.
inline const QString fallbackFontFamily = QStringLiteral("IPAPGothic");

}  // namespace aboutTexts
