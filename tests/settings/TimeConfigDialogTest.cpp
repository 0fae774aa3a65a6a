#include <gtest/gtest.h>

#include <QDateEdit>
#include <QDateTime>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>
#include <chrono>
#include <filesystem>
#include <thread>

#include "DialogUnits.h"
#include "ScriptedPrompts.h"
#include "FileBytes.h"
#include "TempFolder.h"
#include "TimeConfigDialog.h"

namespace {

class TimeConfigDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        Prompts::install(&prompts);
        dialog.show();
    }

    QDateEdit* date() { return dialog.findChild<QDateEdit*>("date"); }
    QTimeEdit* time() { return dialog.findChild<QTimeEdit*>("time"); }
    void output() { dialog.findChild<QPushButton*>("ok")->click(); }

    ScriptedPrompts prompts;
    TempFolder program;
    TempFolder card;
    std::string writeTime = card.file("writetime.txt");
    TimeConfigDialog dialog{nullptr, program.path()};
};

TEST_F(TimeConfigDialogTest, FollowsTheTemplateAndStartsAtNow) {
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("「ソラミル」の設定：時計"));
    EXPECT_EQ(dialog.size(), DialogUnits(dialog.font()).size(180, 94));
    auto* explanation = dialog.findChild<QLabel*>("explanation");
    ASSERT_NE(explanation, nullptr);
    EXPECT_EQ(explanation->property("controlId").toInt(), 1021);
    EXPECT_EQ(explanation->text(),
              QString::fromUtf8("「ソラミル」の時計設定を行います。\n"
                                "この時刻は、「ソラミル」にCFカードを挿入し、\n"
                                "電源を入れる時刻を想定して設定してください。"));
    ASSERT_NE(date(), nullptr);
    ASSERT_NE(time(), nullptr);
    EXPECT_EQ(date()->property("controlId").toInt(), 1016);
    EXPECT_EQ(time()->property("controlId").toInt(), 1017);
    EXPECT_TRUE(date()->calendarPopup());
    EXPECT_TRUE(date()->displayFormat().contains("yyyy"));
    EXPECT_EQ(time()->displayFormat(), "HH:mm:ss");
    EXPECT_EQ(dialog.findChild<QPushButton*>("ok")->text(), QString::fromUtf8("設定出力"));
    EXPECT_EQ(dialog.findChild<QPushButton*>("cancel")->text(), QString::fromUtf8("キャンセル"));

    const QDateTime shown(date()->date(), time()->time());
    EXPECT_LE(std::abs(shown.secsTo(QDateTime::currentDateTime())), 5);
}

TEST_F(TimeConfigDialogTest, DatePickerKeepsToTheClockFilesSpan) {
    EXPECT_EQ(date()->minimumDate(), QDate(1970, 1, 1));
    EXPECT_EQ(date()->maximumDate(), QDate(3000, 12, 31));
    date()->setDate(QDate(1969, 12, 31));
    EXPECT_EQ(date()->date(), QDate(1970, 1, 1));
    date()->setDate(QDate(3001, 1, 1));
    EXPECT_EQ(date()->date(), QDate(3000, 12, 31));
}

TEST_F(TimeConfigDialogTest, WritesTheDateAndTimeThePickersShow) {
    date()->setDate(QDate(2027, 3, 1));
    time()->setTime(QTime(23, 0, 5));
    prompts.folderAnswers = {card.path()};
    output();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(readBytes(writeTime), "20270301\r\n230005\r\n");
}

TEST_F(TimeConfigDialogTest, WritesTheMomentOfOpeningNotOfThePress) {
    const QDate openedDate = date()->date();
    const QTime openedTime = time()->time();
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    prompts.folderAnswers = {card.path()};
    output();
    const std::string expected = openedDate.toString("yyyyMMdd").toStdString() + "\r\n" +
                                 openedTime.toString("HHmmss").toStdString() + "\r\n";
    EXPECT_EQ(readBytes(writeTime), expected);
}

TEST_F(TimeConfigDialogTest, AsksOnlyAboutItsOwnFileAndNeverTouchesTheIni) {
    writeBytes(card.file("halc.inf"), "sensitivity");
    writeBytes(writeTime, "20991231\r\n235959\r\n");
    prompts.folderAnswers = {card.path()};
    prompts.messageAnswers = {Prompts::Answer::Ok};
    date()->setDate(QDate(2026, 12, 7));
    time()->setTime(QTime(14, 5, 30));
    output();

    ASSERT_EQ(prompts.callsOf(ScriptedPrompts::Kind::message).size(), 1u);
    EXPECT_EQ(prompts.callsOf(ScriptedPrompts::Kind::message)[0].text,
              "次のファイルが存在します。更新しますか？\nwritetime.txt");
    EXPECT_EQ(prompts.callsOf(ScriptedPrompts::Kind::folder)[0].initialFolder, program.path());
    EXPECT_EQ(readBytes(writeTime), "20261207\r\n140530\r\n");
    EXPECT_EQ(readBytes(card.file("halc.inf")), "sensitivity");
    EXPECT_TRUE(std::filesystem::is_empty(program.path()));
}

TEST_F(TimeConfigDialogTest, FailuresLeaveTheDialogOpen) {
    output();  // chooser cancelled
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(std::filesystem::is_empty(card.path()));

#ifndef _WIN32  // a full card is /dev/full here; Windows has none
    std::filesystem::create_symlink("/dev/full", writeTime);
    prompts.folderAnswers = {card.path()};
    prompts.messageAnswers = {Prompts::Answer::Ok};
    output();
    EXPECT_TRUE(dialog.isVisible());
    const auto messages = prompts.callsOf(ScriptedPrompts::Kind::message);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, "Disk full while accessing " + writeTime + ".");
    EXPECT_EQ(messages[1].icon, Prompts::Icon::Stop);
#endif
}

}  // namespace
