#include "BundledFonts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>
#include <QImageReader>

void addBundledFonts() {
    const QDir fonts(QCoreApplication::applicationDirPath() + QStringLiteral("/fonts"));
    if (!fonts.exists()) {
        return;
    }
    const QStringList files =
        fonts.entryList({QStringLiteral("*.ttf"), QStringLiteral("*.otf")}, QDir::Files);
    for (const QString& file : files) {
        QFontDatabase::addApplicationFont(fonts.filePath(file));
    }
}

void prepareDrawing() {
    addBundledFonts();
    QImageReader::supportedImageFormats();
}
