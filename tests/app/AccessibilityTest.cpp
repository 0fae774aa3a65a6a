#include <gtest/gtest.h>

#include <algorithm>

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenuBar>
#include <QSet>
#include <QTest>
#include <QTreeWidget>

#include "CMainFrame.h"
#include "KeyOverview.h"
#include "KeyTable.h"
#include "PlayerWnd.h"
#include "SensorConfigDialog.h"
#include "TempFolder.h"
#include "TimeConfigDialog.h"

namespace {

// Every button and slider the window's accessibility tree holds, with its name.
void collectUnnamed(QAccessibleInterface* node, QStringList& unnamed, int& controls) {
    if (node == nullptr) {
        return;
    }
    const QAccessible::Role role = node->role();
    if (role == QAccessible::Button || role == QAccessible::Slider) {
        ++controls;
        const QString name = node->text(QAccessible::Name);
        bool latin = !name.isEmpty();
        for (QChar c : name) {
            latin = latin && c.unicode() < 0x80;
        }
        // An English word in a Japanese window counts as no name.
        if (name.isEmpty() || latin) {
            unnamed << name + " (" + node->object()->objectName() + ")";
        }
    }
    for (int i = 0; i < node->childCount(); ++i) {
        collectUnnamed(node->child(i), unnamed, controls);
    }
}

// Shows the dialog as the user gets it: active, the focus where it starts.
bool showActive(QDialog& dialog) {
    dialog.show();
    dialog.activateWindow();
    return QTest::qWaitForWindowActive(&dialog) && QApplication::focusWidget() != nullptr;
}

// The controls `key` (Tab or Backtab) reaches in turn from the focused one, until the focus
// comes back to it. A date or time edit takes Tab for its own fields first, so a control is
// listed once however many presses it keeps the focus.
QStringList walk(Qt::Key key) {
    QWidget* first = QApplication::focusWidget();
    if (first == nullptr) {
        return {QStringLiteral("(nothing has the focus)")};
    }
    QStringList order{first->objectName()};
    for (int press = 0; press < 40; ++press) {
        QTest::keyClick(QApplication::focusWidget(), key);
        QWidget* now = QApplication::focusWidget();
        if (now == first && order.size() > 1) {
            return order;
        }
        const QString name = now == nullptr ? QStringLiteral("(none)") : now->objectName();
        if (name != order.back()) {
            order << name;
        }
    }
    order << QStringLiteral("(the focus never came back)");
    return order;
}

// Every control of the dialog a user can work: its buttons, sliders and date and time edits.
QStringList workableControls(const QDialog& dialog) {
    QStringList names;
    for (QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (qobject_cast<QAbstractButton*>(child) != nullptr ||
            qobject_cast<QAbstractSlider*>(child) != nullptr ||
            qobject_cast<QAbstractSpinBox*>(child) != nullptr) {
            names << child->objectName();
        }
    }
    names.sort();
    return names;
}

QStringList sorted(QStringList names) {
    names.sort();
    return names;
}

std::string text(const QStringList& names) {
    return names.join(u' ').toStdString();
}

QStringList reversedAfterFirst(QStringList order) {
    std::reverse(order.begin() + 1, order.end());
    return order;
}

}  // namespace

TEST(Accessibility, TabWalksTheSettingsDialogsInReadingOrderAndReachesEveryControl) {
    const TempFolder program;
    {
        SensorConfigDialog sensor(nullptr, program.path());
        ASSERT_TRUE(showActive(sensor));
        const QStringList forward = walk(Qt::Key_Tab);
        EXPECT_EQ(text(forward), "car truck frontBack leftRight upDown ok cancel");
        EXPECT_EQ(text(sorted(forward)), text(workableControls(sensor)));
        EXPECT_EQ(text(walk(Qt::Key_Backtab)), text(reversedAfterFirst(forward)));
    }
    {
        TimeConfigDialog clock(nullptr, program.path());
        ASSERT_TRUE(showActive(clock));
        const QStringList forward = walk(Qt::Key_Tab);
        EXPECT_EQ(text(forward), "date time ok cancel");
        EXPECT_EQ(text(sorted(forward)), text(workableControls(clock)));
        EXPECT_EQ(text(walk(Qt::Key_Backtab)), text(reversedAfterFirst(forward)));
    }
}

TEST(Accessibility, EveryButtonAndSliderOfTheWindowHasAJapaneseName) {
    CMainFrame frame;
    QStringList unnamed;
    int controls = 0;
    collectUnnamed(QAccessible::queryAccessibleInterface(frame.view()), unnamed, controls);
    EXPECT_GE(controls, 9);
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(", ").toStdString();

    auto* play = frame.view()->findChild<QWidget*>("playButton");
    ASSERT_NE(play, nullptr);
    EXPECT_EQ(play->accessibleName(), QStringLiteral("再生"));
    EXPECT_EQ(play->toolTip(), QStringLiteral("再生（Space）"));
    EXPECT_FALSE(play->isEnabled());
}

TEST(Accessibility, SliderValueIsTheReadoutsTimeInSeconds) {
    CMainFrame frame(HALCYRA_SAMPLE_PATH);
    auto* slider = frame.view()->findChild<QWidget*>("slider");
    ASSERT_NE(slider, nullptr);
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(slider);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->text(QAccessible::Name), QStringLiteral("再生位置"));
    EXPECT_EQ(node->text(QAccessible::Value), QStringLiteral("-15.000 秒"));
    ASSERT_NE(node->valueInterface(), nullptr);
    EXPECT_EQ(node->valueInterface()->currentValue().toInt(), 0);

    CMainFrame empty;
    QAccessibleInterface* none =
        QAccessible::queryAccessibleInterface(empty.view()->findChild<QWidget*>("slider"));
    EXPECT_EQ(none->text(QAccessible::Value), QString());
}

TEST(KeyTable, KeysAreUniqueAndEveryShortcutOfTheFrameIsListed) {
    QSet<int> viewKeys;
    QSet<QString> shortcuts;
    for (const keyTable::Binding& binding : keyTable::bindings()) {
        EXPECT_FALSE(binding.keyText.isEmpty());
        EXPECT_FALSE(binding.action.isEmpty());
        if (binding.binder == keyTable::Binder::View) {
            const int key = binding.keys[0].key();
            EXPECT_FALSE(viewKeys.contains(key)) << binding.keyText.toStdString();
            viewKeys.insert(key);
            EXPECT_EQ(keyTable::viewCommandFor(key), binding.command);
        } else if (binding.binder == keyTable::Binder::Shortcut) {
            shortcuts.insert(binding.keys.toString());
        }
    }
    EXPECT_FALSE(keyTable::viewCommandFor(Qt::Key_S).has_value());

    CMainFrame frame;
    QSet<QString> bound;
    for (QAction* menu : frame.menuBar()->actions()) {
        for (QAction* item : menu->menu()->actions()) {
            if (!item->shortcut().isEmpty()) {
                bound.insert(item->shortcut().toString());
            }
        }
    }
    EXPECT_EQ(bound, shortcuts);
}

TEST(KeyTable, OverviewListsEveryBindingAndIsNotModal) {
    CMainFrame frame;
    EXPECT_EQ(frame.keyOverview(), nullptr);
    frame.showKeyOverview();
    KeyOverview* overview = frame.keyOverview();
    ASSERT_NE(overview, nullptr);
    EXPECT_FALSE(overview->isModal());
    const auto& table = keyTable::bindings();
    ASSERT_EQ(overview->list()->topLevelItemCount(), static_cast<int>(table.size()));
    for (int i = 0; i < static_cast<int>(table.size()); ++i) {
        EXPECT_EQ(overview->list()->topLevelItem(i)->text(0), table[i].keyText);
        EXPECT_EQ(overview->list()->topLevelItem(i)->text(1), table[i].action);
    }
    frame.showKeyOverview();
    EXPECT_EQ(frame.keyOverview(), overview);
}
