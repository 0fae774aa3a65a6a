#pragma once

#include <QDialog>
#include <QPointer>

#include "ServerSettings.h"

class QLabel;
class QLineEdit;
class QNetworkAccessManager;
class QNetworkReply;
class QPushButton;

// サーバーの設定: the server's address, the device token and a certificate authority's file,
// with 接続を確認, which asks the server at once whether it takes the token and says what
// went wrong in words a clerk can act on. OK keeps what was typed only when it makes a link
// (or the address is empty: no sending).
class ServerDialog : public QDialog {
    Q_OBJECT

public:
    ServerDialog(const ServerSettings& settings, QWidget* parent = nullptr);
    ~ServerDialog() override;
    ServerDialog(const ServerDialog&) = delete;
    ServerDialog& operator=(const ServerDialog&) = delete;

    // What the fields hold now.
    ServerSettings settings() const;

    QLineEdit* addressField() const { return address; }
    QLineEdit* tokenField() const { return token; }
    QLineEdit* caField() const { return caFile; }
    QPushButton* checkButton() const { return check; }
    // The answer of the last check, or why the fields are refused.
    QLabel* resultLabel() const { return answer; }

public slots:
    void checkConnection();
    void accept() override;

signals:
    // A check has been answered (the text is in resultLabel()).
    void checked(bool connected);

private:
    // The fields as a link; shows why not and gives nothing when they make none.
    bool makesLink(bool emptyAllowed);
    void chooseCaFile();

    QLineEdit* address;
    QLineEdit* token;
    QLineEdit* caFile;
    QPushButton* check;
    QLabel* answer;
    QNetworkAccessManager* network;
    QPointer<QNetworkReply> pending;
};
