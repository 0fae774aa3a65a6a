#pragma once

#include <QFrame>
#include <QPointer>
#include <QString>

class QLabel;
class QPushButton;

// A bar laid over the top edge of another widget (the image area), not in any layout, so the
// window's controls and size stay as they are. It offers to import a card that appeared; it
// takes no focus and waits for the user.
class OfferBar : public QFrame {
    Q_OBJECT

public:
    // `over` is the widget whose top edge it covers; the bar is a child of over's window.
    explicit OfferBar(QWidget* over);

    void offer(const QString& root, const QString& label, int count);
    const QString& offeredRoot() const { return root; }
    QLabel* text() const { return message; }
    QPushButton* importButton() const { return accept; }

signals:
    void importRequested(const QString& root);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    QPointer<QWidget> over;
    QLabel* message;
    QPushButton* accept;
    QPushButton* dismiss;
    QString root;
};
