#pragma once

#include <string>

#include <QString>

// Every text of the library's menu, window, import and card offer.
namespace libraryTexts {

inline const QString menu = QStringLiteral("ライブラリ(&L)");
inline const QString openLibrary = QStringLiteral("ライブラリを開く(&O)...");
inline const QString importFolder = QStringLiteral("取り込み(&I)...");
inline const QString importFile = QStringLiteral("ファイルを取り込み(&N)...");
inline const QString chooseLocation = QStringLiteral("ライブラリの場所(&F)...");

inline const std::string importFolderPrompt =
    "取り込むカードまたはフォルダを選んでください。";
inline const std::string locationPrompt =
    "ライブラリにするフォルダを選んでください。";
// %1 the folder.
inline const QString locationNotSaved =
    QStringLiteral("ライブラリの場所を保存できませんでした。\n%1");
inline const QString libraryNotMade = QStringLiteral("ライブラリのフォルダを作成できません。\n%1");

// The window.
inline const QString windowTitle = QStringLiteral("ライブラリ - %1");
inline const QString filterLabel = QStringLiteral("絞り込み(&S):");
inline const QString filterHint = QStringLiteral("車両、運転者、メモ、日付、ファイル名");
inline const QString dateRange = QStringLiteral("期間(&D):");
inline const QString dateTo = QStringLiteral("～");
inline const QString openButton = QStringLiteral("開く(&O)");
inline const QString removeButton = QStringLiteral("ライブラリから削除(&R)");
inline const QString importButton = QStringLiteral("取り込み(&I)...");
// %1 shown, %2 all.
inline const QString countText = QStringLiteral("%1 件（全 %2 件）");

// Columns.
inline const QString columnPicture = QStringLiteral("イベント");
inline const QString columnCaptured = QStringLiteral("撮影日時");
inline const QString columnLength = QStringLiteral("長さ");
inline const QString columnFrames = QStringLiteral("コマ数");
inline const QString columnVehicle = QStringLiteral("車両");
inline const QString columnDriver = QStringLiteral("運転者");
inline const QString columnNote = QStringLiteral("メモ");
inline const QString columnState = QStringLiteral("状態");
inline const QString columnSending = QStringLiteral("送信");
// %1 seconds with one decimal.
inline const QString seconds = QStringLiteral("%1 秒");
inline const QString importedOn = QStringLiteral("（取り込み %1）");
inline const QString incomplete = QStringLiteral("不完全");
inline const QString brokenSidecar = QStringLiteral("recording.json に問題");
inline const QString unknown = QStringLiteral("—");

// %1 the folder, %2 the cause.
inline const QString notSaved = QStringLiteral("「%1」に保存できませんでした。\n%2");
inline const QString removeQuestion = QStringLiteral(
    "「%1」をライブラリから削除して、ごみ箱へ移します。よろしいですか？");
inline const QString notRemoved = QStringLiteral("「%1」をごみ箱へ移せませんでした。");

// The import.
inline const QString importing = QStringLiteral("ライブラリへ取り込んでいます...");
inline const QString cancelButton = QStringLiteral("キャンセル");
inline const QString cancelling = QStringLiteral("取り込みを中止しています...");
inline const QString importDone = QStringLiteral("取り込みが終わりました。");
inline const QString importCancelled = QStringLiteral("取り込みを中止しました。途中のファイルは残していません。");
inline const QString nothingFound = QStringLiteral("取り込むファイルが見つかりませんでした。");
// %1 a count.
inline const QString countImported = QStringLiteral("取り込み: %1 件");
inline const QString countPresent = QStringLiteral("取り込み済み: %1 件");
inline const QString countSkipped = QStringLiteral("録画ではないため除外: %1 件");
inline const QString countFailed = QStringLiteral("失敗: %1 件");
inline const QString countCancelled = QStringLiteral("中止により未処理: %1 件");
// %1 the file, %2 the reason.
inline const QString detailLine = QStringLiteral("%1: %2");
// %1 how many more lines.
inline const QString moreLines = QStringLiteral("ほか %1 件");

// The card offer; %1 the card's name, %2 the count.
inline const QString cardOffer =
    QStringLiteral("カード「%1」に、ライブラリにない録画が %2 件あります。");
inline const QString offerImport = QStringLiteral("取り込み(&G)");
inline const QString offerDismiss = QStringLiteral("閉じる");

}  // namespace libraryTexts
