#pragma once

#include <string>

#include <QString>

#include "SendResult.h"

// Every text of the sending to the server: the settings dialog, the states in the library's
// window, the main window's count.
namespace sendingTexts {

inline const QString serverSettings = QStringLiteral("サーバーの設定(&V)...");

// The dialog.
inline const QString dialogTitle = QStringLiteral("サーバーの設定");
inline const QString explanation = QStringLiteral(
    "設定すると、ライブラリに取り込んだ録画を自動でサーバーへ送信します。"
    "アドレスを空にすると送信しません。");
inline const QString addressLabel = QStringLiteral("アドレス(&A):");
inline const QString addressHint = QStringLiteral("https://server.example:8443");
inline const QString tokenLabel = QStringLiteral("デバイストークン(&T):");
inline const QString tokenHint = QStringLiteral("サーバーの管理者が発行したトークン");
inline const QString caLabel = QStringLiteral("認証局の証明書(&C):");
inline const QString caHint = QStringLiteral("必要な場合のみ（PEM 形式）");
inline const QString caBrowse = QStringLiteral("参照(&B)...");
inline const std::string caFilter = "証明書|*.pem;*.crt;*.cer|すべてのファイル|*.*||";
inline const QString cancel = QStringLiteral("キャンセル");
inline const QString checkButton = QStringLiteral("接続を確認(&K)");
inline const QString checking = QStringLiteral("確認しています...");
inline const QString connected = QStringLiteral("接続できました");
// %1 what went wrong.
inline const QString notConnected = QStringLiteral("接続できません: %1");
inline const QString badAddress =
    QStringLiteral("アドレスは http:// または https:// で始めてください。");
inline const QString noToken = QStringLiteral("デバイストークンを入力してください。");
inline const QString badCaFile = QStringLiteral("証明書のファイルを読み込めません。");
// %1 the cause.
inline const QString notSaved = QStringLiteral("設定を保存できませんでした。\n%1");

// The states in the library's window.
inline const QString waiting = QStringLiteral("未送信");
// %1 the time of the next try.
inline const QString waitingRetry = QStringLiteral("未送信（%1 に再試行）");
inline const QString sending = QStringLiteral("送信中");
inline const QString sent = QStringLiteral("送信済み");
// %1 why.
inline const QString refused = QStringLiteral("送信できません（%1）");
inline const QString sendButton = QStringLiteral("送信(&U)");
inline const QString sendCommand = QStringLiteral("サーバーへ送信(&U)");

// The main window's count; %1 how many.
inline const QString waitingCount = QStringLiteral("送信待ち %1 件");
// %1 the queue file's trouble.
inline const QString queueTrouble = QStringLiteral("送信の記録を保存できません: %1");

inline QString causeText(SendResult::Cause cause) {
    using Cause = SendResult::Cause;
    switch (cause) {
        case Cause::None: return {};
        case Cause::HostNotFound: return QStringLiteral("サーバー名が見つかりません");
        case Cause::Refused: return QStringLiteral("サーバーに接続を拒否されました");
        case Cause::Timeout: return QStringLiteral("サーバーから応答がありません");
        case Cause::Certificate: return QStringLiteral("サーバーの証明書を確認できません");
        case Cause::Network: return QStringLiteral("ネットワークのエラーです");
        case Cause::Token: return QStringLiteral("デバイストークンが拒否されました");
        case Cause::NotRecording: return QStringLiteral("サーバーが録画ではないと判断しました");
        case Cause::TooLarge: return QStringLiteral("ファイルが大きすぎます");
        case Cause::Damaged: return QStringLiteral("転送中にデータが壊れました");
        case Cause::ServerFault: return QStringLiteral("サーバーが受け付けられない状態です");
        case Cause::Unreadable: return QStringLiteral("ファイルを読み込めません");
        case Cause::Other: break;
    }
    return QStringLiteral("サーバーから予期しない応答がありました");
}

}  // namespace sendingTexts
