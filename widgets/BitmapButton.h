#pragma once

#include <QAbstractButton>
#include <QString>

#include "ScaledPixmap.h"

// A push button that shows one of four ready-made pictures and nothing else: the transport
// buttons of the main window.
class BitmapButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit BitmapButton(QWidget* parent = nullptr);

    void loadBitmaps(const QString& normal, const QString& pressed, const QString& focused,
                     const QString& disabled);
    // "play" loads ":/buttons/play-normal.png", ":/buttons/play-pressed.png" and so on.
    void loadBitmaps(const QString& baseName);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    // Enter presses the focused button as Space does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    const ScaledPixmap& currentImage() const;

    ScaledPixmap normalImage;
    ScaledPixmap pressedImage;
    ScaledPixmap focusedImage;
    ScaledPixmap disabledImage;
};
