#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QMenuBar>
#include <QSet>
#include <QTreeWidget>

#include "CMainFrame.h"
#include "KeyOverview.h"
#include "KeyTable.h"
#include "PlayerWnd.h"

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

}  // namespace

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
