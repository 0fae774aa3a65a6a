#include "KeyOverview.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "KeyTable.h"

namespace {

namespace text {
const QString title = QStringLiteral("キー操作");
const QString keyColumn = QStringLiteral("キー・マウス");
const QString actionColumn = QStringLiteral("操作");
const QString footer = QStringLiteral(
    "ボタンやスライダーは Tab で選び、Space か Enter で押します。\n"
    "選んだスライダーでは ← → がスライダーを動かします。");
}  // namespace text

}  // namespace

KeyOverview::KeyOverview(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(text::title);
    setAccessibleName(text::title);

    table = new QTreeWidget(this);
    table->setColumnCount(2);
    table->setHeaderLabels({text::keyColumn, text::actionColumn});
    table->setRootIsDecorated(false);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setAccessibleName(text::title);
    for (const keyTable::Binding& binding : keyTable::bindings()) {
        auto* row = new QTreeWidgetItem(table, {binding.keyText, binding.action});
        row->setToolTip(1, binding.action);
    }
    table->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    table->header()->setStretchLastSection(true);

    auto* footer = new QLabel(text::footer, this);
    footer->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table);
    layout->addWidget(footer);
    resize(400, 460);
}

void KeyOverview::showOverview() {
    show();
    raise();
    activateWindow();
}
