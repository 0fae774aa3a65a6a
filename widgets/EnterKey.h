#pragma once

#include <QAbstractButton>
#include <QKeyEvent>

// Enter and Return press a focused picture button, as they press Qt's own push buttons.
// True when the key was taken.
inline bool pressOnEnter(QAbstractButton& button, QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        button.animateClick();
        event->accept();
        return true;
    }
    return false;
}
