#include "ReportExport.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include <QDateTime>
#include <QGuiApplication>

#include "EventFrames.h"
#include "FileDigest.h"
#include "FileOps.h"
#include "FramePictures.h"
#include "FrameTimeText.h"
#include "Recording.h"
#include "RedactionMosaic.h"
#include "ReportPage.h"
#include "TargetWriting.h"
#include "TimeOfDay.h"

namespace {

// The version store keeps "1, 0, 0, 0"; people read it as the About box shows it, "1.0.0.0".
std::string dottedVersion(const std::string& stored) {
    std::string dotted;
    for (const char c : stored) {
        if (c == ',') {
            dotted += '.';
        } else if (c != ' ') {
            dotted += c;
        }
    }
    return dotted;
}

ExportResult failed(std::string message) {
    return ExportResult::failure(ExportResult::Status::Failed, std::move(message));
}

std::uint32_t lastShownIndex(const ReportContent& content) {
    std::uint32_t last = content.event.frame.index;
    for (const ReportContent::Picture& picture : content.around) {
        last = std::max(last, picture.frame.index);
    }
    return last;
}

// Decodes every frame up to the last one shown, in order, keeping copies of the shown ones.
bool decodePictures(const Recording& recording, const RedactionPlan* redaction,
                    ReportContent& content, ExportProgress& progress) {
    std::vector<ReportContent::Picture*> wanted{&content.event};
    for (ReportContent::Picture& picture : content.around) {
        wanted.push_back(&picture);
    }
    const std::uint32_t last = lastShownIndex(content);
    FramePictures pictures(recording);
    for (std::uint32_t index = 0; index <= last; ++index) {
        if (progress.isCancelled()) {
            return false;
        }
        static_cast<void>(pictures.decode(index));
        for (ReportContent::Picture* picture : wanted) {
            if (picture->frame.index == index && pictures.hasPicture()) {
                picture->image = pictures.view().copy();
                if (redaction != nullptr) {
                    redactPicture(picture->image, *redaction, index);
                }
            }
        }
        progress.advance(index + 1, std::uint64_t{last} + 2);
    }
    return true;
}

ReportClockLines clockLines(const Recording& recording, const ReportContent& content,
                            const ClockCorrection& clock) {
    ReportClockLines lines;
    lines.offset = clockOffsetText(*clock.offsetMilliseconds);
    lines.note = clock.note;
    const std::string& date = content.captureDate;
    const std::int32_t first = content.firstNumber;
    const std::int64_t offset = *clock.offsetMilliseconds;
    const auto row = [&](std::string label, std::int32_t number) {
        const std::optional<std::string> recorded = frameTimeOfDay(date, first, number);
        const std::optional<std::string> corrected = frameTimeOfDay(date, first, number, offset);
        if (recorded && corrected) {
            lines.rows.push_back({std::move(label), *recorded, *corrected});
        }
    };
    row("撮影日時（最初のフレーム）", recording.frameAt(0).number);
    std::vector<EventFrame> shown;
    for (const ReportContent::Picture& picture : content.around) {
        if (picture.frame.offsetSeconds < 0) {
            shown.push_back(picture.frame);
        }
    }
    shown.push_back(content.event.frame);
    for (const ReportContent::Picture& picture : content.around) {
        if (picture.frame.offsetSeconds > 0) {
            shown.push_back(picture.frame);
        }
    }
    for (const EventFrame& frame : shown) {
        const std::string when =
            frame.offsetSeconds == 0
                ? std::string("イベント位置")
                : std::to_string(std::abs(frame.offsetSeconds)) +
                      (frame.offsetSeconds < 0 ? " 秒前" : " 秒後");
        row(when + "　" + frame.timeText + " 秒", frame.number);
    }
    return lines;
}

ReportRedaction reportRedaction(const Recording& recording, const RedactionPlan& plan) {
    ReportRedaction list;
    const auto readoutOf = [&recording](std::uint32_t index) {
        return index < recording.frameCount() ? frameTimeText(recording.frameAt(index).number)
                                              : std::string("?");
    };
    for (const RedactionRegion& region : plan.regions()) {
        if (region.empty()) {
            continue;
        }
        list.regions.push_back({redactionLabelText(region.label()), readoutOf(region.firstIndex()),
                                readoutOf(region.lastIndex()), region.keys().size()});
    }
    return list;
}

}  // namespace

bool drawingAvailable() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

std::string reportTimeNow() {
    const QDateTime now = QDateTime::currentDateTime();
    const int offset = now.offsetFromUtc();
    const int minutes = (offset < 0 ? -offset : offset) / 60;
    const QString zone = QStringLiteral(" (UTC%1%2:%3)")
                             .arg(offset < 0 ? QStringLiteral("-") : QStringLiteral("+"))
                             .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                             .arg(minutes % 60, 2, 10, QLatin1Char('0'));
    return (now.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")) + zone).toStdString();
}

ExportResult exportReport(const Recording& recording, const std::string& recordingPath,
                          const std::string& target, const ReportOptions& options,
                          ExportProgress& progress) {
    const std::optional<EventFrames> frames = findEventFrames(recording);
    if (!frames) {
        return ExportResult::failure(ExportResult::Status::Refused,
                                     recordingPath + ": the recording holds no frame");
    }
    std::error_code existsError;
    if (!options.replace && std::filesystem::exists(
                                std::filesystem::symlink_status(fileOps::fsPath(target), existsError))) {
        return ExportResult::failure(ExportResult::Status::Refused, target + ": exists already");
    }
    if (!drawingAvailable()) {
        return failed(target + ": the report needs the program's drawing, which is not running");
    }
    ReportContent content;
    content.fileName = fileOps::utf8Path(fileOps::fsPath(recordingPath).filename());
    std::error_code sizeError;
    content.fileSize = std::filesystem::file_size(fileOps::fsPath(recordingPath), sizeError);
    std::string hashError;
    const std::optional<std::string> sha256 = fileSha256(recordingPath, hashError);
    if (sizeError || !sha256) {
        return failed(recordingPath + ": cannot be read: " +
                      (sizeError ? sizeError.message() : hashError));
    }
    content.sha256 = *sha256;
    content.captureDate = recording.getCaptureDate();
    content.frameCount = recording.frameCount();
    content.firstNumber = recording.frameAt(0).number;
    content.lastNumber = recording.lastNumber();
    content.event.frame = frames->event;
    for (const EventFrame& frame : frames->around) {
        content.around.push_back({frame, {}});
    }
    content.userFields = options.userFields;
    content.programName = options.programName;
    content.programVersion = dottedVersion(options.programVersion);
    content.madeAt = options.madeAt.empty() ? reportTimeNow() : options.madeAt;
    content.record.push_back({content.fileName, "受け取った録画", "読み取りのみ（変更していません）",
                              content.fileSize, content.sha256});
    content.record.insert(content.record.end(), options.outputs.begin(), options.outputs.end());
    if (options.clock.stated()) {
        content.clock = clockLines(recording, content, options.clock);
    }

    if (options.redaction) {
        content.redaction = reportRedaction(recording, *options.redaction);
    }
    if (!decodePictures(recording, options.redaction.get(), content, progress)) {
        return ExportResult::failure(ExportResult::Status::Cancelled, target + ": cancelled");
    }
    const std::optional<QByteArray> pdf = renderReportPdf(content);
    if (!pdf) {
        return failed(target + ": the page could not be drawn");
    }
    if (progress.isCancelled()) {
        return ExportResult::failure(ExportResult::Status::Cancelled, target + ": cancelled");
    }
    ExportResult result =
        writeTargetBytes(target, std::span<const char>(pdf->constData(),
                                                       static_cast<std::size_t>(pdf->size())),
                         options.replace);
    if (result.written()) {
        const std::uint64_t steps = std::uint64_t{lastShownIndex(content)} + 2;
        progress.advance(steps, steps);
    }
    return result;
}
