// The sending as a clerk meets it: the settings dialog and its check, the token file, the
// states in the library's window and the count in the main window.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include <QCoreApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTcpServer>

#include "FileBytes.h"
#include "ImportRunner.h"
#include "LibraryCommands.h"
#include "LibraryFilter.h"
#include "LibraryFolder.h"
#include "LibraryModel.h"
#include "LibraryWindow.h"
#include "QueueSender.h"
#include "RunningServer.h"
#include "ScriptedPrompts.h"
#include "SendingBadge.h"
#include "ServerDialog.h"
#include "ServerSettings.h"
#include "TestLibrary.h"
#include "UserLocations.h"

namespace {

class SendingWindowTest : public ::testing::Test {
protected:
    SendingWindowTest() : server(files.place.file("server")) {
        Prompts::install(&prompts);
        token = server.newToken("depot-pc");
    }
    ~SendingWindowTest() override { Prompts::install(nullptr); }

    // What the dialog says after 接続を確認 with these fields.
    QString checkWith(const std::string& address, const std::string& withToken) {
        ServerDialog dialog(ServerSettings{address, withToken, {}});
        QSignalSpy checked(&dialog, &ServerDialog::checked);
        dialog.checkButton()->click();
        if (dialog.resultLabel()->text() != QStringLiteral("確認しています...")) {
            EXPECT_EQ(checked.count(), 0);
            return dialog.resultLabel()->text();
        }
        EXPECT_TRUE(checked.wait(30000));
        return dialog.resultLabel()->text();
    }

    ScriptedPrompts prompts;
    TestLibrary files;
    RunningServer server;
    std::string token;
};

TEST_F(SendingWindowTest, TheCheckSaysWhatWentWrongInWordsAClerkCanActOn) {
    EXPECT_EQ(checkWith(server.address(), token), QStringLiteral("接続できません: サーバーに接続を拒否されました"));
    ASSERT_TRUE(server.start());
    EXPECT_EQ(checkWith(server.address(), token), QStringLiteral("接続できました"));
    EXPECT_EQ(checkWith(server.address(), "NotTheTokenAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"),
              QStringLiteral("接続できません: デバイストークンが拒否されました"));
    EXPECT_EQ(checkWith("http://no-such-host.invalid", token),
              QStringLiteral("接続できません: サーバー名が見つかりません"));
    // Refused before anything is asked.
    EXPECT_EQ(checkWith("ftp://example.org", token),
              QStringLiteral("アドレスは http:// または https:// で始めてください。"));
    EXPECT_EQ(checkWith(server.address(), ""), QStringLiteral("デバイストークンを入力してください。"));

    // OK keeps fields that make no link open; an empty address (no sending) closes it.
    ServerDialog dialog(ServerSettings{"http://", token, {}});
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    dialog.addressField()->clear();
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(SendingWindowTest, AFleetsOwnCertificateAuthorityIsTrustedOnlyWhenNamed) {
    const std::string certificate = files.place.file("server.pem");
    const std::string key = files.place.file("server.key");
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                   QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                   QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1"),
                   QStringLiteral("-keyout"), QString::fromStdString(key), QStringLiteral("-out"),
                   QString::fromStdString(certificate)});
    ASSERT_TRUE(openssl.waitForFinished(60000));
    ASSERT_EQ(openssl.exitCode(), 0) << openssl.readAllStandardError().toStdString();
    ASSERT_TRUE(server.startTls(certificate, key));

    ServerDialog untrusted(ServerSettings{server.tlsAddress(), token, {}});
    QSignalSpy answered(&untrusted, &ServerDialog::checked);
    untrusted.checkConnection();
    ASSERT_TRUE(answered.wait(30000));
    EXPECT_EQ(untrusted.resultLabel()->text(), QStringLiteral("接続できません: サーバーの証明書を確認できません"));

    ServerDialog trusted(ServerSettings{server.tlsAddress(), token, certificate});
    QSignalSpy connected(&trusted, &ServerDialog::checked);
    trusted.checkConnection();
    ASSERT_TRUE(connected.wait(30000));
    EXPECT_EQ(trusted.resultLabel()->text(), QStringLiteral("接続できました"));

    // A file that holds no certificate is refused before anything is asked.
    ServerDialog wrong(ServerSettings{server.tlsAddress(), token, key + ".missing"});
    wrong.checkConnection();
    EXPECT_EQ(wrong.resultLabel()->text(), QStringLiteral("証明書のファイルを読み込めません。"));
}

TEST_F(SendingWindowTest, SettingsKeepTheTokenInAFileOnlyTheUserReads) {
    const std::string ini = files.place.file("Halcyra.ini");
    ASSERT_TRUE(writeBytes(ini, "[Config]\r\nSensitivityX=3\r\n"));
    const ServerSettings set{server.address(), token, "/etc/fleet-ca.pem"};
    std::string error;
    ASSERT_TRUE(set.save(ini, error)) << error;
    const std::string tokenFile = ServerSettings::tokenPath(ini);
    EXPECT_EQ(tokenFile, files.place.file("server-token.txt"));
    // A portable copy's Halcyra.ini is the program folder's, which others may read: its
    // token is the user's own configuration folder's.
    const std::string programFolder = QCoreApplication::applicationDirPath().toStdString() + "/";
    const std::string portableToken = ServerSettings::tokenPath(programFolder + "Halcyra.ini");
    EXPECT_EQ(portableToken, UserLocations::current().privateFolder() + "server-token.txt");
    EXPECT_FALSE(portableToken.starts_with(programFolder));
    EXPECT_EQ(readBytes(tokenFile), token + "\n");
    const auto mode = std::filesystem::status(tokenFile).permissions();
    EXPECT_EQ(mode & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(readBytes(ini).find("[Config]\r\nSensitivityX=3\r\n"), 0U);

    const ServerSettings back = ServerSettings::load(ini);
    EXPECT_EQ(back.address, set.address);
    EXPECT_EQ(back.token, token);
    EXPECT_EQ(back.caFile, set.caFile);

    // No address: no sending, and the token is gone with it.
    ASSERT_TRUE(ServerSettings{}.save(ini, error)) << error;
    EXPECT_FALSE(std::filesystem::exists(tokenFile));
    EXPECT_FALSE(ServerSettings::load(ini).isSet());
}

TEST_F(SendingWindowTest, TheLibraryWindowShowsEachRecordingsWayToTheServer) {
    const std::string ini = files.place.file("Halcyra.ini");
    ASSERT_TRUE(LibraryFolder(ini).save(files.root));
    QWidget frame;
    QWidget view(&frame);
    LibraryCommands commands(&frame, &view, [](const std::string&) {});
    commands.useSettings(ini);
    commands.onOpenLibrary();
    LibraryWindow* window = commands.libraryWindow();
    ASSERT_NE(window, nullptr);
    // No server: the window is as it always was.
    EXPECT_TRUE(window->view()->isColumnHidden(LibraryModel::Sending));
    EXPECT_TRUE(window->sendingButton()->isHidden());
    EXPECT_TRUE(commands.sendingIndicator()->isHidden());

    const auto buttonPlaces = [window] {
        QList<QRect> places;
        window->layout()->activate();
        for (const QPushButton* button : window->findChildren<QPushButton*>()) {
            if (button != window->sendingButton()) {
                places << button->geometry();
            }
        }
        return places;
    };
    const QList<QRect> before = buttonPlaces();

    ASSERT_TRUE(server.start());
    std::string error;
    ASSERT_TRUE((ServerSettings{server.address(), token, {}}).save(ini, error)) << error;
    commands.useSettings(ini);
    EXPECT_FALSE(window->view()->isColumnHidden(LibraryModel::Sending));
    EXPECT_FALSE(window->sendingButton()->isHidden());
    // The window's own buttons stay where they were.
    EXPECT_EQ(buttonPlaces(), before);

    const auto sendingText = [window] {
        return window->filter()->index(0, LibraryModel::Sending).data().toString();
    };
    // A card imported: queued, sent in the background, shown as sent.
    files.putOnCard("DCIM/halcjpeg.dat", testRecording(5, "2026:11:28 14:35:07"));
    QSignalSpy imported(&commands.importRunner(), &ImportRunner::finished);
    QSignalSpy ended(&commands.sender(), &QueueSender::transferEnded);
    commands.importSources({files.card});
    ASSERT_TRUE(imported.wait(30000));
    ASSERT_TRUE(ended.count() > 0 || ended.wait(30000));
    ASSERT_EQ(window->filter()->rowCount(), 1);
    EXPECT_EQ(sendingText(), QStringLiteral("送信済み"));
    EXPECT_TRUE(commands.sendingIndicator()->isHidden());

    // The server gone, the clerk sends it again: waiting, with the reason and the count.
    server.stop();
    window->view()->setCurrentIndex(window->filter()->index(0, LibraryModel::Captured));
    ASSERT_TRUE(window->sendingAction()->isEnabled());
    window->sendingAction()->trigger();
    ASSERT_TRUE(ended.wait(30000));
    EXPECT_TRUE(sendingText().startsWith(QStringLiteral("未送信（"))) << sendingText().toStdString();
    EXPECT_EQ(window->filter()->index(0, LibraryModel::Sending).data(Qt::ToolTipRole).toString().section(u'\n', 0, 0),
              QStringLiteral("サーバーに接続を拒否されました"));
    EXPECT_FALSE(commands.sendingIndicator()->isHidden());
    EXPECT_EQ(commands.sendingIndicator()->text(), QStringLiteral("送信待ち 1 件"));

    // A refused token: given up, with the reason in the cell.
    ASSERT_TRUE(server.start());
    ASSERT_TRUE((ServerSettings{server.address(), "RevokedAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA", {}})
                    .save(ini, error));
    commands.useSettings(ini);
    window->sendCurrent();
    ASSERT_TRUE(ended.wait(30000));
    EXPECT_EQ(sendingText(), QStringLiteral("送信できません（デバイストークンが拒否されました）"));
    EXPECT_TRUE(commands.sendingIndicator()->isHidden());
}

}  // namespace
