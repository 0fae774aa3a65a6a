#include "SendingBadge.h"

#include <QEvent>

#include "SendingTexts.h"

SendingBadge::SendingBadge(QWidget* overWidget) : QLabel(overWidget->window()), over(overWidget) {
    setObjectName(QStringLiteral("sendingIndicator"));
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(0xe8, 0xf1, 0xfb));
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    setFrameShape(QFrame::StyledPanel);
    setContentsMargins(6, 1, 6, 1);
    over->installEventFilter(this);
    hide();
}

void SendingBadge::showCount(int waiting, const QString& trouble) {
    setText(sendingTexts::waitingCount.arg(waiting));
    setToolTip(trouble.isEmpty() ? QString() : sendingTexts::queueTrouble.arg(trouble));
    if (waiting <= 0 && trouble.isEmpty()) {
        hide();
        return;
    }
    place();
    show();
    raise();
}

bool SendingBadge::eventFilter(QObject* watched, QEvent* event) {
    if (watched == over && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
        place();
    }
    return QLabel::eventFilter(watched, event);
}

void SendingBadge::place() {
    if (!over) {
        return;
    }
    adjustSize();
    const QPoint topRight = over->mapTo(parentWidget(), QPoint(over->width(), 0));
    move(topRight.x() - width() - 4, topRight.y() + 4);
}
