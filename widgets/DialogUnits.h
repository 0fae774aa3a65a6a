#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

class QWidget;

// Maps dialog-template units to pixels by the base units of the dialog's font, so that a
// layout drawn in dialog units keeps its proportions with any font.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int x(int units) const;
    int y(int units) const;
    QRect rect(int left, int top, int width, int height) const;
    QSize size(int width, int height) const;

    // Puts `widget` at `dialogRect` (dialog units) under the object name `name`, with the
    // template's control id as the property "controlId" unless `id` is 0.
    template <typename Widget>
    Widget* place(Widget* widget, QRect dialogRect, const char* name, int id = 0) const {
        placeWidget(widget, dialogRect, name, id);
        return widget;
    }

    int baseX() const { return baseX_; }
    int baseY() const { return baseY_; }

private:
    void placeWidget(QWidget* widget, QRect dialogRect, const char* name, int id) const;

    int baseX_;
    int baseY_;
};
