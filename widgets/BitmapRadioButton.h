#pragma once

#include <QAbstractButton>
#include <QPixmap>

#include "ScaledPixmap.h"

// A push-button-shaped choice showing a black-on-white picture; the selected one is drawn
// pushed in. The checked look comes from our own flag only: QAbstractButton's checkable state
// stays off, so a click changes nothing until the host calls setChecked.
class BitmapRadioButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit BitmapRadioButton(QWidget* parent = nullptr);

    // Deliberately hide QAbstractButton's versions, which would need the button checkable.
    void setChecked(bool value);
    bool isChecked() const { return checked; }

    void setPicture(const QPixmap& value);
    // With a sharper copy for scaled displays.
    void setPicture(const ScaledPixmap& value);
    const QPixmap& picture() const { return pic.plain(); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    // Enter presses the focused button as Space does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool checked = false;
    ScaledPixmap pic;
};
