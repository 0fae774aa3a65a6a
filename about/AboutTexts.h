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
    "本ソフトウェアの全部または一部を改変、複製、リバースエンジニアリング、逆コンパイル、"
    "逆アセンブルすることを禁じます。本ソフトウェアの使用または使用できないことにより生じた"
    "いかなる損害についても、作者は一切の責任を負いません。");
inline const QString fontFamily = QStringLiteral("MS UI Gothic");
// What fontconfig offers for Japanese text when the template's font is not installed.
inline const QString fallbackFontFamily = QStringLiteral("IPAGothic");

}  // namespace aboutTexts
