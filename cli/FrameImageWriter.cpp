#include "FrameImageWriter.h"

#include <QImage>
#include <QSaveFile>
#include <QString>

#include "FrameBitmap.h"

namespace {

QByteArray ppmBytes(const FrameBitmap& bitmap) {
    QByteArray bytes = QByteArray("P6\n") + QByteArray::number(bitmap.width()) + ' ' +
                       QByteArray::number(bitmap.height()) + "\n255\n";
    const qsizetype headerLength = bytes.size();
    bytes.resize(headerLength + qsizetype{bitmap.width()} * bitmap.height() * 3);
    char* out = bytes.data() + headerLength;
    for (int y = 0; y < bitmap.height(); ++y) {
        const std::uint8_t* row = bitmap.pixels() + static_cast<std::size_t>(y) * bitmap.stride();
        for (int x = 0; x < bitmap.width(); ++x) {
            const std::uint8_t* pixel = row + static_cast<std::size_t>(x) * 3;
            *out++ = static_cast<char>(pixel[2]);
            *out++ = static_cast<char>(pixel[1]);
            *out++ = static_cast<char>(pixel[0]);
        }
    }
    return bytes;
}

}  // namespace

bool writeFrameImage(const FrameBitmap& bitmap, const std::string& path, ImageFormat format) {
    if (!bitmap.isCreated()) {
        return false;
    }
    // Written whole or not at all, so a failed export never leaves half a file behind.
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    if (format == ImageFormat::Ppm) {
        const QByteArray bytes = ppmBytes(bitmap);
        if (file.write(bytes) != bytes.size()) {
            file.cancelWriting();
            return false;
        }
    } else {
        const QImage view(bitmap.pixels(), bitmap.width(), bitmap.height(), bitmap.stride(),
                          QImage::Format_BGR888);
        if (!view.save(&file, "PNG")) {
            file.cancelWriting();
            return false;
        }
    }
    return file.commit();
}
