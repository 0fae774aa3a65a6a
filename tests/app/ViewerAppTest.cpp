#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDate>
#include <QDateEdit>
#include <QLocale>
#include <QTranslator>

#include "TimeConfigDialog.h"
#include "ViewerApp.h"

namespace {

TEST(ViewerAppTest, QtsOwnDialogsAndButtonsSpeakJapanese) {
    QTranslator translator;
    ASSERT_TRUE(ViewerApp::loadQtTranslations(translator))
        << "qtbase_ja.qm missing: install qt6-translations-l10n";
    QCoreApplication::installTranslator(&translator);
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("アドレス:"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"),
              QStringLiteral("キャンセル"));
    QCoreApplication::removeTranslator(&translator);
}

TEST(ViewerAppTest, DatesFollowJapaneseConventionsWhateverTheSystemLocale) {
    const QLocale system;
    QLocale::setDefault(QLocale::c());
    ViewerApp::useJapaneseConventions();
    EXPECT_EQ(QLocale().toString(QDate(2026, 12, 8), QLocale::ShortFormat),
              QStringLiteral("2026/12/08"));
    {
        TimeConfigDialog dialog(nullptr, "/tmp/");
        auto* date = dialog.findChild<QDateEdit*>();
        ASSERT_NE(date, nullptr);
        date->setDate(QDate(2026, 12, 8));
        EXPECT_EQ(date->text(), QStringLiteral("2026/12/08"));
    }
    QLocale::setDefault(system);
}

}  // namespace
