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

// The context menu of the image area; the text after the tab is the key, shown beside the item.
inline const QString playItem = QStringLiteral("再生\tSpace");
inline const QString stopItem = QStringLiteral("停止\tSpace");
inline const QString firstItem = QStringLiteral("最初のコマへ\tHome");
inline const QString prevItem = QStringLiteral("前のコマへ\t←");
inline const QString nextItem = QStringLiteral("次のコマへ\t→");
inline const QString lastItem = QStringLiteral("最後のコマへ\tEnd");
inline const QString eventItem = QStringLiteral("イベント位置へ\tE");
inline const QString speedMenu = QStringLiteral("再生速度");
inline const QString fasterItem = QStringLiteral("速く\t]");
inline const QString slowerItem = QStringLiteral("遅く\t[");
inline const QString fitItem = QStringLiteral("全体表示\t0");
inline const QString smoothItem = QStringLiteral("なめらか表示");
inline const QString fullScreenItem = QStringLiteral("全画面表示\tF11");
// Over the picture for a moment after the speed changes, followed by "×2" and the like.
inline const QString speedNotice = QStringLiteral("再生速度 ");

inline constexpr const char* openDefaultName = "halcjpeg.dat";
inline constexpr const char* openDefaultSuffix = "dat";
inline constexpr const char* openFilter = "ソラミル画像ファイル(*.dat)|*.dat||";

}  // namespace playerTexts
