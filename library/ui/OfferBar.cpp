#include "OfferBar.h"

#include <QDir>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "LibraryTexts.h"

OfferBar::OfferBar(QWidget* overWidget)
    : QFrame(overWidget->window()),
      over(overWidget),
      message(new QLabel(this)),
      accept(new QPushButton(libraryTexts::offerImport, this)),
      dismiss(new QPushButton(libraryTexts::offerDismiss, this)) {
    setObjectName(QStringLiteral("cardOfferBar"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(0xff, 0xf4, 0xce));
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    message->setWordWrap(true);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 4, 8, 4);
    row->addWidget(message, 1);
    row->addWidget(accept);
    row->addWidget(dismiss);
    accept->setFocusPolicy(Qt::TabFocus);
    dismiss->setFocusPolicy(Qt::TabFocus);
    connect(accept, &QPushButton::clicked, this, [this] {
        hide();
        emit importRequested(root);
    });
    connect(dismiss, &QPushButton::clicked, this, &QWidget::hide);
    over->installEventFilter(this);
    hide();
}

void OfferBar::offer(const QString& volumeRoot, const QString& label, int count) {
    root = volumeRoot;
    const QString name = label.isEmpty() ? QDir::toNativeSeparators(volumeRoot) : label;
    message->setText(libraryTexts::cardOffer.arg(name).arg(count));
    place();
    show();
    raise();
}

bool OfferBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == over && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
        place();
    }
    return QFrame::eventFilter(watched, event);
}

void OfferBar::place() {
    if (!over) {
        return;
    }
    const QPoint topLeft = over->mapTo(parentWidget(), QPoint(0, 0));
    const int height = heightForWidth(over->width()) > 0 ? heightForWidth(over->width())
                                                         : sizeHint().height();
    setGeometry(topLeft.x(), topLeft.y(), over->width(), height);
}
