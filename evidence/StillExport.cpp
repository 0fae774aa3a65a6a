#include "StillExport.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <span>

#include <QBuffer>
#include <QImage>

#include "FileOps.h"
#include "FrameOverlay.h"
#include "FramePictures.h"
#include "FrameTimeText.h"
#include "Recording.h"
#include "RedactionMosaic.h"
#include "TargetWriting.h"
#include "TimeOfDay.h"

namespace {

std::string lowerExtension(const std::string& path) {
    std::string extension = fileOps::utf8Path(fileOps::fsPath(path).extension());
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::span<const char> bytesOf(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

QByteArray ppmBytes(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    QByteArray bytes = QByteArray("P6\n") + QByteArray::number(rgb.width()) + ' ' +
                       QByteArray::number(rgb.height()) + "\n255\n";
    const auto rowBytes = static_cast<qsizetype>(rgb.width()) * 3;
    for (int y = 0; y < rgb.height(); ++y) {
        bytes.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), rowBytes);
    }
    return bytes;
}

}  // namespace

std::optional<StillFormat> stillFormatForPath(const std::string& path) {
    const std::string extension = lowerExtension(path);
    if (extension == ".jpg" || extension == ".jpeg") {
        return StillFormat::Jpeg;
    }
    if (extension == ".png") {
        return StillFormat::Png;
    }
    if (extension == ".ppm") {
        return StillFormat::Ppm;
    }
    return std::nullopt;
}

ExportResult exportStill(const Recording& recording, std::uint32_t index,
                         const std::string& target, const StillOptions& options,
                         ExportProgress& progress) {
    const std::optional<StillFormat> format = stillFormatForPath(target);
    if (!format) {
        return ExportResult::failure(ExportResult::Status::Refused,
                                     target + ": a still is written as .jpg, .png or .ppm");
    }
    if (index >= recording.frameCount()) {
        return ExportResult::failure(ExportResult::Status::Refused,
                                     target + ": the recording has no frame " +
                                         std::to_string(index));
    }
    const FrameRecord frame = recording.frameAt(index);
    if (*format == StillFormat::Jpeg && options.redaction) {
        return ExportResult::failure(ExportResult::Status::Refused,
                                     target + ": a recorded .jpg is never redacted; write a .png");
    }
    if (*format == StillFormat::Jpeg) {
        if (frame.jpegSize <= 0) {
            return ExportResult::failure(ExportResult::Status::Refused,
                                         target + ": frame " + std::to_string(index) +
                                             " holds no bytes");
        }
        ExportResult result = writeTargetBytes(
            target,
            std::span<const char>(reinterpret_cast<const char*>(frame.jpegData),
                                  static_cast<std::size_t>(frame.jpegSize)),
            options.replace);
        progress.advance(1, 1);
        return result;
    }

    FramePictures pictures(recording);
    bool complete = false;
    for (std::uint32_t i = 0; i <= index; ++i) {
        if (progress.isCancelled()) {
            return ExportResult::failure(ExportResult::Status::Cancelled, target + ": cancelled");
        }
        complete = pictures.decode(i);
        progress.advance(i + 1, std::uint64_t{index} + 2);
    }
    if (!pictures.hasPicture()) {
        return ExportResult::failure(ExportResult::Status::Refused,
                                     target + ": no frame up to " + std::to_string(index) +
                                         " could be decoded, nothing to write");
    }
    QImage picture = pictures.view().copy();
    if (options.redaction) {
        redactPicture(picture, *options.redaction, index);
    }
    if (options.overlay && *format == StillFormat::Png) {
        const std::string timeOfDay = shownTimeOfDay(
            recording.getCaptureDate(), recording.frameAt(0).number, frame.number, options.clock);
        drawFrameOverlay(picture, timeOfDay, frameTimeText(frame.number));
    }
    QByteArray bytes;
    if (*format == StillFormat::Ppm) {
        bytes = ppmBytes(picture);
    } else {
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "PNG")) {
            return ExportResult::failure(ExportResult::Status::Failed,
                                         target + ": the picture could not be encoded");
        }
    }
    ExportResult result = writeTargetBytes(target, bytesOf(bytes), options.replace);
    progress.advance(std::uint64_t{index} + 2, std::uint64_t{index} + 2);
    if (result.written() && !complete) {
        result.status = ExportResult::Status::WrittenWithDamage;
        result.message = target + ": frame " + std::to_string(index) +
                         " did not decode completely; written as the viewer shows it";
    }
    return result;
}
