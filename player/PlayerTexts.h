#pragma once

#include <QString>

// Every text the main window shows or asks with.
namespace playerTexts {

inline const QString frameTitle = QStringLiteral("ソラミルViewer");
inline const QString titleSeparator = QStringLiteral(" - ");
inline const QString noTime = QStringLiteral("--.---");
inline const QString firstFrameTime = QStringLiteral("-15.000");
inline const QString exitButton = QStringLiteral("終了");
inline const QString browseButton = QStringLiteral("参照");
inline const QString logo = QStringLiteral("logo");

inline constexpr const char* badData = "データが不正です";
inline constexpr const char* noTimer = "マルチメディアタイマを設定できません";
inline constexpr const char* tickError = "エラー";

inline constexpr const char* openDefaultName = "halcjpeg.dat";
inline constexpr const char* openDefaultSuffix = "dat";
inline constexpr const char* openFilter = "ソラミル画像ファイル(*.dat)|*.dat||";

}  // namespace playerTexts
