#pragma once

#include <QLabel>
#include <QPointer>

// The count of recordings waiting for the server, a small label lying over the top right
// corner of the main window's view, as the card's offer lies over its top: it moves and
// resizes nothing. Hidden while none wait.
class SendingBadge : public QLabel {
    Q_OBJECT

public:
    explicit SendingBadge(QWidget* overWidget);

    // Shows `waiting` (with `trouble`, the queue file's, as tooltip); hides at none.
    void showCount(int waiting, const QString& trouble);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    QPointer<QWidget> over;
};
