#pragma once

#include <QString>

// The application title and the frame's menu.
namespace appTexts {

inline const QString applicationTitle = QStringLiteral("Halcyra");
inline const QString menu = QStringLiteral("メニュー(&M)");
inline const QString sensorSettings = QStringLiteral("衝撃検出感度の設定(&S)");
inline const QString clockSettings = QStringLiteral("時計の設定(&T)");
inline const QString about = QStringLiteral("バージョン情報(&V)");
inline const QString exit = QStringLiteral("終了(&Q)");
// The drop-down after the others, with the key overview.
inline const QString helpMenu = QStringLiteral("ヘルプ(&H)");
inline const QString keyOverview = QStringLiteral("キー操作(&K)…");

}  // namespace appTexts
