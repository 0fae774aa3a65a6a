#include "DialogUnits.h"

#include <QFontMetrics>
#include <QString>
#include <QVariant>
#include <QWidget>

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    // Average width of the Latin letters, rounded, and the font's height: the units in which
    // the dialog templates were drawn.
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX_ = (letters / 26 + 1) / 2;
    baseY_ = metrics.height();
}

int DialogUnits::x(int units) const {
    return (units * baseX_ + 2) / 4;
}

int DialogUnits::y(int units) const {
    return (units * baseY_ + 4) / 8;
}

QRect DialogUnits::rect(int left, int top, int width, int height) const {
    return {x(left), y(top), x(width), y(height)};
}

QSize DialogUnits::size(int width, int height) const {
    return {x(width), y(height)};
}

void DialogUnits::placeWidget(QWidget* widget, QRect dialogRect, const char* name,
                              int id) const {
    widget->setGeometry(rect(dialogRect.x(), dialogRect.y(), dialogRect.width(),
                             dialogRect.height()));
    widget->setObjectName(QString::fromLatin1(name));
    if (id != 0) {
        widget->setProperty("controlId", id);
    }
}
