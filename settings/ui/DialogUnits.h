#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

// Maps dialog-template units to pixels by the base units of the dialog's font, so that a
// layout drawn in dialog units keeps its proportions with any font.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int x(int units) const;
    int y(int units) const;
    QRect rect(int left, int top, int width, int height) const;
    QSize size(int width, int height) const;

    int baseX() const { return baseX_; }
    int baseY() const { return baseY_; }

private:
    int baseX_;
    int baseY_;
};
