#pragma once

#include <QString>

// Every text of the export commands, their dialogs and their messages.
namespace exportTexts {

inline const QString menu = QStringLiteral("書き出し(&E)");
inline const QString saveStill = QStringLiteral("静止画の保存(&S)...");
inline const QString exportClip = QStringLiteral("動画の書き出し(&C)...");
inline const QString makeReport = QStringLiteral("報告書の作成(&R)...");
inline const QString writePackage = QStringLiteral("証拠一式の書き出し(&P)...");
inline const QString verifyPackage = QStringLiteral("証拠一式の検証(&V)...");
inline const QString correctClock = QStringLiteral("時計の補正(&T)...");

// Redaction: the menu items, the mode's own items (the text after the tab is the key) and
// the line over the picture; %1 in modeLine is the label new regions get.
inline const QString redactMode = QStringLiteral("墨消し(&K)");
inline const QString loadRedaction = QStringLiteral("墨消しの読み込み(&O)...");
inline const QString saveRedaction = QStringLiteral("墨消しの保存(&A)...");
inline const QString regionLabelMenu = QStringLiteral("新しい領域の種類");
inline const QString addRegionKey = QStringLiteral("このコマにキーを追加");
inline const QString removeRegionKey = QStringLiteral("このコマのキーを削除");
inline const QString removeRegion = QStringLiteral("領域を削除");
inline const QString modeLine = QStringLiteral(
    "墨消し（新しい領域: %1）　ドラッグで描く・動かす　Delete 削除　K キー　Esc 終わる");
inline const QString keyMark = QStringLiteral("◆");
inline constexpr const char* redactionSaveTitle = "墨消しの保存";
inline constexpr const char* redactionFilter = "墨消しの領域 JSON(*.json)|*.json||";
inline const QString redactionUnreadable =
    QStringLiteral("墨消しの領域を読み込めませんでした。\n%1");
inline const QString redactionUnsaved =
    QStringLiteral("墨消しの領域をライブラリに保存できませんでした。\n%1");

// The clock dialog; %1 in currentFrame is the frame number, %2 its readout text.
inline const QString clockTitle = QStringLiteral("時計の補正");
inline const QString clockExplain = QStringLiteral(
    "ドライブレコーダーの時計のずれを入力してください。\n"
    "書き出す動画・静止画・報告書の時刻が補正されます。録画ファイルは変更されません。");
inline const QString currentFrame = QStringLiteral("現在のフレーム: フレーム番号 %1　%2 秒");
inline const QString recordedTime = QStringLiteral("記録された時刻: %1");
inline const QString noCaptureDate =
    QStringLiteral("記録された時刻: （撮影日時が記録されていません）");
inline const QString byOffset = QStringLiteral("補正値で指定");
inline const QString offsetHint = QStringLiteral("例: +65、-3600.5");
inline const QString byTrueTime = QStringLiteral("このフレームの正しい時刻で指定");
inline const QString clockNote = QStringLiteral("理由");
inline const QString clockNoteHint = QStringLiteral("例: GPS の時刻と比べた");
inline const QString correctedPreview = QStringLiteral("補正後の時刻: %1（補正値 %2）");
inline const QString badOffset = QStringLiteral("補正値が正しくありません。");
inline const QString noCorrection = QStringLiteral("補正しない");
inline const QString okButton = QStringLiteral("OK");

// The clip dialog.
inline const QString clipTitle = QStringLiteral("動画の書き出し");
inline const QString kindGroup = QStringLiteral("種類");
inline const QString originalAvi = QStringLiteral("原本 AVI (録画のまま)");
inline const QString originalMkv = QStringLiteral("原本 MKV (録画のまま)");
inline const QString shareMp4 = QStringLiteral("共有用 MP4");
inline const QString spanGroup = QStringLiteral("範囲");
inline const QString wholeSpan = QStringLiteral("録画全体");
inline const QString eventSpan = QStringLiteral("イベント位置の前後 (-5 秒 ～ +3 秒)");
inline const QString chosenSpan = QStringLiteral("秒で指定");
inline const QString spanFrom = QStringLiteral("開始");
inline const QString spanTo = QStringLiteral("終了");
inline const QString seconds = QStringLiteral(" 秒");
inline const QString overlay = QStringLiteral("時刻を映像に入れる (共有用のみ)");
inline const QString startButton = QStringLiteral("書き出し");
inline const QString cancelButton = QStringLiteral("キャンセル");

// Save dialogs: captions and filters in the open dialog's "description|patterns||" form.
inline constexpr const char* stillTitle = "静止画の保存";
inline constexpr const char* stillFilter = "JPEG 静止画 (録画のまま)(*.jpg)|*.jpg|PNG 静止画 (時刻入り)(*.png)|*.png||";
inline constexpr const char* clipSaveTitle = "動画の書き出し";
inline constexpr const char* aviFilter = "原本 AVI 動画(*.avi)|*.avi||";
inline constexpr const char* mkvFilter = "原本 MKV 動画(*.mkv)|*.mkv||";
inline constexpr const char* mp4Filter = "共有用 MP4 動画(*.mp4)|*.mp4||";
inline constexpr const char* reportTitle = "報告書の作成";
inline constexpr const char* reportFilter = "報告書 PDF(*.pdf)|*.pdf||";
inline constexpr const char* packagePrompt = "証拠一式を書き出すフォルダを選んでください";
inline constexpr const char* verifyPrompt = "検証する証拠一式のフォルダを選んでください";

// Progress and messages; %1 is a file or folder name.
inline const QString working = QStringLiteral("「%1」を書き出しています...");
inline const QString cancelling = QStringLiteral("取り消しています...");
inline const QString replaceFile = QStringLiteral("「%1」はすでにあります。\n置き換えますか？");
inline const QString replaceInFolder =
    QStringLiteral("「%1」にはすでにファイルがあります。\n同じ名前のファイルを置き換えますか？");
inline const QString failed = QStringLiteral("「%1」を書き出せませんでした。\n%2");
// The check of a package: %1 the folder's name, %2 one line per file.
inline const QString verifying = QStringLiteral("「%1」を検証しています...");
inline const QString verifiedOk =
    QStringLiteral("「%1」の証拠一式を検証しました。すべてのファイルが正しく揃っています。\n\n%2");
inline const QString verifiedBad =
    QStringLiteral("「%1」の証拠一式は正しくありません。\n\n%2");
inline const QString verifyRefused = QStringLiteral("「%1」を検証できませんでした。\n%2");
inline const QString moreLines = QStringLiteral("ほか %1 件");
inline const QString damaged = QStringLiteral(
    "「%1」を書き出しました。\n一部のフレームは完全には復号できず、再生画面と同じ表示になっています。");

}  // namespace exportTexts
