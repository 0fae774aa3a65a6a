#pragma once

#include <QString>

// Where the embedded pictures live; programs that show them link halcyra_resources.
namespace resourcePaths {

inline const QString carPicture = QStringLiteral(":/pictures/car.png");
inline const QString truckPicture = QStringLiteral(":/pictures/truck.png");
inline const QString logoPicture = QStringLiteral(":/pictures/logo.png");
inline const QString appIcon = QStringLiteral(":/icon/halcyra.png");
// The icon drawn at 32 x 32 pixels, for the About box.
inline const QString appIcon32 = QStringLiteral(":/icon/halcyra-32.png");

// baseName is one of first, prev, play, stop, next, last; state one of normal, pressed,
// focused, disabled.
QString buttonImage(const QString& baseName, const QString& state);

}  // namespace resourcePaths
