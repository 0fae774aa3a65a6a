#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "AboutDialog.h"
#include "VersionInfo.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

TEST(ProductLine, VersionNumbersReadLikeScanfAndPrintDotted) {
    EXPECT_EQ(AboutDialog::productLineFor(QStringLiteral("ソラミルViewer"), "1, 0, 0, 0"),
              QStringLiteral("ソラミルViewer Version 1.0.0.0"));
    EXPECT_EQ(AboutDialog::productLineFor("X", "2,3,45,6"), "X Version 2.3.45.6");
    EXPECT_EQ(AboutDialog::productLineFor("", ""), " Version 0.0.0.0");

    using Numbers = std::array<int, 4>;
    EXPECT_EQ(AboutDialog::parseVersion("\t1,\n 2,  3,4 trailing"), (Numbers{1, 2, 3, 4}));
    EXPECT_EQ(AboutDialog::parseVersion("-1,+2,3,4"), (Numbers{-1, 2, 3, 4}));
    // A blank before a comma ends the reading, as in "%d,%d".
    EXPECT_EQ(AboutDialog::parseVersion("7 , 8, 9, 10"), (Numbers{7, 0, 0, 0}));
    EXPECT_EQ(AboutDialog::parseVersion("5, 6"), (Numbers{5, 6, 0, 0}));
    EXPECT_EQ(AboutDialog::parseVersion("5,,6,7"), (Numbers{5, 0, 0, 0}));
    EXPECT_EQ(AboutDialog::parseVersion("v1,2,3,4"), (Numbers{0, 0, 0, 0}));
    EXPECT_EQ(AboutDialog::parseVersion("99999999999999999999,1,1,1"),
              (Numbers{2147483647, 1, 1, 1}));
}

TEST(VersionInfo, OnlyTheFirstTranslationsTableIsUsed) {
    const std::optional<VersionInfo> info = VersionInfo::parse(R"({
        "VarFileInfo": {"Translation": [[1041, 932], [1033, 1200]]},
        "StringFileInfo": {
            "041103A4": {"ProductName": "first"},
            "040904b0": {"ProductName": "second", "LegalCopyright": "only in the second"}
        }})");
    ASSERT_TRUE(info.has_value());
    ASSERT_EQ(info->translations().size(), 2U);
    EXPECT_EQ(VersionInfo::tableName(info->translations()[0]), "041103a4");
    EXPECT_EQ(VersionInfo::tableName(info->translations()[1]), "040904b0");
    EXPECT_EQ(info->value("ProductName"), "first");
    EXPECT_EQ(info->value("LegalCopyright"), "");
    EXPECT_EQ(info->value("productname"), "");
}

TEST(VersionInfo, EveryMissingPartGivesEmptyValues) {
    // No translation table, or one whose first table is absent.
    EXPECT_EQ(VersionInfo::parse(R"({"StringFileInfo": {"041103a4": {"ProductName": "x"}}})")
                  ->value("ProductName"),
              "");
    EXPECT_EQ(VersionInfo::parse(R"({"VarFileInfo": {"Translation": [[1, 2]]},
                                    "StringFileInfo": {"041103a4": {"ProductName": "x"}}})")
                  ->value("ProductName"),
              "");
    // Malformed pairs end the table; values that are not text are not values.
    const std::optional<VersionInfo> odd = VersionInfo::parse(R"({
        "VarFileInfo": {"Translation": [[70000, 1], [1041, 932]]},
        "StringFileInfo": {"041103a4": {"ProductName": 5}}})");
    ASSERT_TRUE(odd.has_value());
    EXPECT_TRUE(odd->translations().empty());
    const std::optional<VersionInfo> notText = VersionInfo::parse(R"({
        "VarFileInfo": {"Translation": [[1041, 932, 1]]}})");
    EXPECT_TRUE(notText->translations().empty());

    EXPECT_FALSE(VersionInfo::parse("").has_value());
    EXPECT_FALSE(VersionInfo::parse("[1, 2]").has_value());
    EXPECT_FALSE(VersionInfo::parse("{\"VarFileInfo\": ").has_value());
    EXPECT_FALSE(VersionInfo::loadModule("Missing.exe").has_value());
    EXPECT_FALSE(VersionInfo::loadModule("../version/Other.exe").has_value());
}

TEST(VersionInfo, ProgramStoreIsFoundByTheApplicationName) {
    const QString saved = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName("Other");
    EXPECT_EQ(VersionInfo::programString("ProductName"), "R&D Tool");
    // Keys of the second translation stay out of reach.
    EXPECT_EQ(VersionInfo::programString("CompanyName"), "");

    AboutDialog dialog;
    dialog.fillFromVersionInfo();
    EXPECT_EQ(dialog.productLine, "R&D Tool Version 2.3.45.6");
    EXPECT_EQ(dialog.copyrightLine, "&Copyright test");

    QCoreApplication::setApplicationName("Nobody");
    dialog.fillFromVersionInfo();
    EXPECT_EQ(dialog.productLine, " Version 0.0.0.0");
    EXPECT_EQ(dialog.copyrightLine, "");
    QCoreApplication::setApplicationName(saved);
}

class AboutDialogTest : public ::testing::Test {
protected:
    AboutDialogTest() {
        dialog.productLine = "R&D Tool Version 2.3.45.6";
        dialog.copyrightLine = "&Copyright test";
    }
    QLabel* label(const char* name) { return dialog.findChild<QLabel*>(name); }
    AboutDialog dialog;
};

TEST_F(AboutDialogTest, LinesReachTheirControlsWhenTheDialogComesUp) {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("バージョン情報"));
    EXPECT_EQ(label("productLine")->property("controlId").toInt(), 1000);
    EXPECT_EQ(label("copyrightLine")->property("controlId").toInt(), 1001);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(label("productLine")->text(), "R&D Tool Version 2.3.45.6");
    EXPECT_EQ(label("copyrightLine")->text(), "&Copyright test");
    EXPECT_TRUE(label("notice")->text().contains(QStringLiteral("リバースエンジニアリング")));

    QPushButton* ok = dialog.findChild<QPushButton*>("okButton");
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(AboutDialogTest, AmpersandIsLiteralInTheProductLineAndAMnemonicInTheCopyright) {
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.activateWindow();
    QPushButton* ok = dialog.findChild<QPushButton*>("okButton");
    ok->clearFocus();
    QTest::keyClick(&dialog, Qt::Key_D, Qt::AltModifier);
    EXPECT_FALSE(ok->hasFocus());
    QTest::keyClick(&dialog, Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(ok->hasFocus());
}

TEST_F(AboutDialogTest, TemplateFitsInsideTheDialog) {
    const QRect inside = dialog.rect();
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    for (QWidget* child : dialog.findChildren<QWidget*>()) {
        EXPECT_TRUE(inside.contains(child->geometry())) << child->objectName().toStdString();
    }
    EXPECT_GT(dialog.width(), dialog.height());
    EXPECT_LT(label("productLine")->geometry().bottom(), label("copyrightLine")->geometry().top());
    EXPECT_LT(label("copyrightLine")->geometry().bottom(), label("notice")->geometry().top());
}

}  // namespace
