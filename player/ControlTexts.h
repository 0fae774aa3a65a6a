#pragma once

#include <QString>

// What the main window's picture-only controls are called: by the screen reader (name and
// description) and in their tooltips. The keys in the tooltips come from the key table.
namespace controlTexts {

inline const QString firstName = QStringLiteral("先頭");
inline const QString prevName = QStringLiteral("前へ");
inline const QString playName = QStringLiteral("再生");
inline const QString stopName = QStringLiteral("停止");
inline const QString nextName = QStringLiteral("次へ");
inline const QString lastName = QStringLiteral("最後");

inline const QString firstHelp = QStringLiteral("最初のコマへ移ります。");
inline const QString prevHelp = QStringLiteral("一つ前のコマへ移ります。");
inline const QString playHelp = QStringLiteral("記録された速さで再生します。");
inline const QString stopHelp = QStringLiteral("再生を止めます。");
inline const QString nextHelp = QStringLiteral("一つ後のコマへ移ります。");
inline const QString lastHelp = QStringLiteral("最後のコマへ移ります。");

// "再生（Space）"
inline QString withKey(const QString& name, const QString& key) {
    return name + QStringLiteral("（") + key + QStringLiteral("）");
}

inline const QString sliderName = QStringLiteral("再生位置");
inline const QString sliderHelp =
    QStringLiteral("再生位置を選びます。赤い印がイベント位置（0.000 秒）です。");
// After the readout's time: "-15.000 秒".
inline const QString seconds = QStringLiteral(" 秒");

inline const QString readoutName = QStringLiteral("時刻");
inline const QString readoutHelp =
    QStringLiteral("表示中のコマの時刻（秒）です。0.000 秒がイベント位置です。");

inline const QString logoName = QStringLiteral("ソラミル Halcyra");

inline const QString imageAreaName = QStringLiteral("画像");
inline const QString imageAreaHelp =
    QStringLiteral("記録された画像です。キー操作は F1 で一覧できます。");

}  // namespace controlTexts
