#include "ScaledPixmap.h"

#include <utility>

ScaledPixmap::ScaledPixmap(const QString& path) : normal(path) {
    const QString sharpName = sharpPath(path);
    if (normal.isNull() || sharpName == path) {
        return;
    }
    QPixmap candidate(sharpName);
    // A copy of another size would be drawn at the wrong size; it is left out.
    if (!candidate.isNull() && candidate.size() == normal.size() * 2) {
        candidate.setDevicePixelRatio(2.0);
        sharp = candidate;
    }
}

ScaledPixmap::ScaledPixmap(QPixmap normal) : normal(std::move(normal)) {}

QString ScaledPixmap::sharpPath(const QString& path) {
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (dot <= slash + 1) {
        return path;
    }
    return path.left(dot) + QStringLiteral("@2x") + path.mid(dot);
}

const QPixmap& ScaledPixmap::forRatio(qreal devicePixelRatio) const {
    return devicePixelRatio > 1.0 && !sharp.isNull() ? sharp : normal;
}
