#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

// One picture drawn at its own size and, where the resources have it, at twice that size
// ("name@2x.png"). Painting picks the one that fits the display, so at 150 % or 200 % the
// picture is not blown up pixel by pixel.
class ScaledPixmap {
public:
    ScaledPixmap() = default;
    // Loads `path` and, if it exists, its "@2x" sibling.
    explicit ScaledPixmap(const QString& path);
    // A picture without a sharper copy.
    explicit ScaledPixmap(QPixmap normal);

    // "dir/name.png" becomes "dir/name@2x.png".
    static QString sharpPath(const QString& path);

    // The picture to draw on a device of this pixel ratio; its devicePixelRatio() tells the
    // painter how large to draw it, so it always covers size() logical pixels.
    const QPixmap& forRatio(qreal devicePixelRatio) const;
    // The size in logical pixels, the same for both copies.
    QSize size() const { return normal.size(); }
    bool isNull() const { return normal.isNull(); }
    const QPixmap& plain() const { return normal; }

private:
    QPixmap normal;
    QPixmap sharp;
};
