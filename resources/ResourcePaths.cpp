#include "ResourcePaths.h"

namespace resourcePaths {

QString buttonImage(const QString& baseName, const QString& state) {
    return QStringLiteral(":/buttons/%1-%2.png").arg(baseName, state);
}

}  // namespace resourcePaths
