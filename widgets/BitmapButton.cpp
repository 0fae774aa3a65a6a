#include "BitmapButton.h"

#include <QPainter>

#include "ResourcePaths.h"

BitmapButton::BitmapButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
}

void BitmapButton::loadBitmaps(const QString& normal, const QString& pressed,
                               const QString& focused, const QString& disabled) {
    normalImage = QPixmap(normal);
    pressedImage = QPixmap(pressed);
    focusedImage = QPixmap(focused);
    disabledImage = QPixmap(disabled);
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
const QPixmap& BitmapButton::currentImage() const {
    const QPixmap* image = &normalImage;
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
    const QPixmap& image = currentImage();
    if (image.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, image);
}
