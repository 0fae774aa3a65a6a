#include <gtest/gtest.h>

#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "ClockDialog.h"

namespace {

template <typename T>
T* child(QWidget& parent, const char* name) {
    T* found = parent.findChild<T*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Frame 452 of a recording dated 14:35:07 at frame 1: 15.033 s later by the recorder's clock.
const ClockDialog::Frame frame{"2026:11:28 14:35:07", 1, 452, "0.033"};

}  // namespace

TEST(ClockDialogTest, AnOffsetOrTheFramesTrueTimeGivesTheCorrection) {
    ClockDialog dialog({}, frame);
    auto* offset = child<QLineEdit>(dialog, "offsetEdit");
    auto* preview = child<QLabel>(dialog, "preview");
    offset->setText(QStringLiteral("+65"));
    EXPECT_EQ(dialog.enteredOffset(), 65'000);
    EXPECT_TRUE(preview->text().contains(QStringLiteral("2026/11/28 14:36:27")));
    offset->setText(QStringLiteral("65 秒"));
    EXPECT_FALSE(dialog.enteredOffset());
    EXPECT_FALSE(preview->text().contains(QStringLiteral("14:36")));

    // The true time of the frame on screen, to the second: the frame then shows exactly that.
    child<QRadioButton>(dialog, "trueTimeButton")->setChecked(true);
    child<QDateTimeEdit>(dialog, "trueTimeEdit")
        ->setDateTime(QDateTime(QDate(2026, 11, 29), QTime(0, 0, 1), Qt::UTC));
    EXPECT_EQ(dialog.enteredOffset(), 33'878'967);  // 9 h 24 min 38.967 s
    EXPECT_TRUE(preview->text().contains(QStringLiteral("2026/11/29 00:00:01")));
}

TEST(ClockDialogTest, StartsFromTheStatedCorrectionAndCanBeCleared) {
    ClockDialog dialog({-3'600'500, "GPS"}, frame);
    EXPECT_EQ(child<QLineEdit>(dialog, "offsetEdit")->text(), QStringLiteral("-3600.5"));
    EXPECT_EQ(child<QLineEdit>(dialog, "noteEdit")->text(), QStringLiteral("GPS"));
    child<QPushButton>(dialog, "clearButton")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.correction().stated());

    // Without a capture date there is no time of day to set.
    ClockDialog undated({}, {"", 1, 452, "0.033"});
    EXPECT_FALSE(child<QRadioButton>(undated, "trueTimeButton")->isEnabled());
}
