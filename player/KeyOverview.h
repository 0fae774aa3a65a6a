#pragma once

#include <QWidget>

class QTreeWidget;

// The small window that lists the viewer's keys and mouse actions, filled from the key table.
// Not modal: it can stay open beside the viewer while the user tries the keys.
class KeyOverview : public QWidget {
    Q_OBJECT

public:
    explicit KeyOverview(QWidget* parent = nullptr);

    // Shows the window, or brings it to the front if it is already open.
    void showOverview();

    const QTreeWidget* list() const { return table; }

private:
    QTreeWidget* table = nullptr;
};
