#include "PathText.h"

#include <QFile>

namespace pathText {

#ifdef Q_OS_WIN
std::string fromQt(const QString& path) {
    return path.toUtf8().toStdString();
}

QString toQt(const std::string& path) {
    return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
}
#else
std::string fromQt(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString toQt(const std::string& path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}
#endif

}  // namespace pathText
