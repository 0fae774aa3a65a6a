#include "BitmapButton.h"

#include "EnterKey.h"

#include <QKeyEvent>
#include <QPainter>

#include "ResourcePaths.h"

BitmapButton::BitmapButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
}

void BitmapButton::loadBitmaps(const QString& normal, const QString& pressed,
                               const QString& focused, const QString& disabled) {
    normalImage = ScaledPixmap(normal);
    pressedImage = ScaledPixmap(pressed);
    focusedImage = ScaledPixmap(focused);
    disabledImage = ScaledPixmap(disabled);
    update();
}

void BitmapButton::loadBitmaps(const QString& baseName) {
    loadBitmaps(resourcePaths::buttonImage(baseName, QStringLiteral("normal")),
                resourcePaths::buttonImage(baseName, QStringLiteral("pressed")),
                resourcePaths::buttonImage(baseName, QStringLiteral("focused")),
                resourcePaths::buttonImage(baseName, QStringLiteral("disabled")));
}

QSize BitmapButton::sizeHint() const {
    return {48, 30};
}

// A state without its own picture falls back to the normal one rather than to nothing.
const ScaledPixmap& BitmapButton::currentImage() const {
    const ScaledPixmap* image = &normalImage;
    if (!isEnabled()) {
        image = &disabledImage;
    } else if (isDown()) {
        image = &pressedImage;
    } else if (hasFocus()) {
        image = &focusedImage;
    }
    return image->isNull() ? normalImage : *image;
}

void BitmapButton::paintEvent(QPaintEvent*) {
    const ScaledPixmap& image = currentImage();
    if (image.isNull()) {
        return;
    }
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    // Between the drawn sizes (150 %) the sharper copy is scaled down, which needs smoothing.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, ratio != 1.0 && ratio != 2.0);
    painter.drawPixmap(0, 0, image.forRatio(ratio));
}

void BitmapButton::keyPressEvent(QKeyEvent* event) {
    if (!pressOnEnter(*this, event)) {
        QAbstractButton::keyPressEvent(event);
    }
}
