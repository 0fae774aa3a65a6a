#include "BitmapRadioButton.h"

#include "EnterKey.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace {

// Width of the push-button edge that the face lies inside.
constexpr int edgeWidth = 2;

// Every other pixel of a rectangle's outline, in the pattern of an 8 x 8 brush of alternating
// 0xAA / 0x55 rows aligned to the widget's origin (set bits keep the background).
void drawDottedRect(QPainter& painter, const QRect& r, const QColor& colour) {
    QVector<QPoint> dots;
    auto dot = [&dots](int x, int y) {
        if ((x + y) % 2 != 0) {
            dots.append(QPoint(x, y));
        }
    };
    for (int x = r.left(); x <= r.right(); ++x) {
        dot(x, r.top());
        dot(x, r.bottom());
    }
    for (int y = r.top() + 1; y < r.bottom(); ++y) {
        dot(r.left(), y);
        dot(r.right(), y);
    }
    painter.setPen(QPen(colour, 1));
    painter.drawPoints(dots.constData(), static_cast<int>(dots.size()));
}

}  // namespace

BitmapRadioButton::BitmapRadioButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
}

void BitmapRadioButton::setChecked(bool value) {
    checked = value;
    update();
}

void BitmapRadioButton::setPicture(const QPixmap& value) {
    setPicture(ScaledPixmap(value));
}

void BitmapRadioButton::setPicture(const ScaledPixmap& value) {
    pic = value;
    updateGeometry();
    update();
}

QSize BitmapRadioButton::sizeHint() const {
    const QSize content = pic.isNull() ? QSize(56, 40) : pic.size();
    return content + QSize(2 * edgeWidth + 4, 2 * edgeWidth + 4);
}

void BitmapRadioButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);

    // A disabled button looks like an enabled one, and hover has no look of its own.
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = rect();
    option.palette.setCurrentColorGroup(isActiveWindow() ? QPalette::Active : QPalette::Inactive);
    option.state |= QStyle::State_Enabled;
    option.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    if (isDown() || checked) {
        option.state |= QStyle::State_Sunken;
    } else {
        option.state |= QStyle::State_Raised;
    }
    if (checked) {
        option.state |= QStyle::State_On;
    }
    style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &painter, this);

    const QRect face = rect().adjusted(edgeWidth, edgeWidth, -edgeWidth, -edgeWidth);
    if (hasFocus()) {
        drawDottedRect(painter, face.adjusted(1, 1, -1, -1),
                       option.palette.color(QPalette::WindowText));
    }
    if (pic.isNull()) {
        return;
    }

    // Centred on half the face's far edges (one past the last pixel), not on half its size.
    int left = face.left();
    int top = face.top();
    const int rightEdge = face.left() + face.width();
    const int bottomEdge = face.top() + face.height();
    if (isDown()) {
        ++left;
        ++top;
    }
    const int x = left + (rightEdge - pic.size().width()) / 2;
    const int y = top + (bottomEdge - pic.size().height()) / 2;
    // AND-ing keeps the face where the picture is white and its lines black.
    painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    painter.drawPixmap(x, y, pic.forRatio(devicePixelRatioF()));
}

void BitmapRadioButton::keyPressEvent(QKeyEvent* event) {
    if (!pressOnEnter(*this, event)) {
        QAbstractButton::keyPressEvent(event);
    }
}
