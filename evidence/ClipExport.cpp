#include "ClipExport.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <span>

#include <QImage>

#include "FileOps.h"
#include "FramePictures.h"
#include "FrameTimeText.h"
#include "JpegPictureSize.h"
#include "Recording.h"
#include "SharePictures.h"
#include "TargetFile.h"
#include "av/H264Encoder.h"
#include "av/MediaWriter.h"

namespace {

using Status = ExportResult::Status;

// The readout's value of a frame, exactly as its text shows it.
double readoutSeconds(std::int32_t number) {
    return static_cast<double>(frameTimeMilliseconds(number)) / 1000.0;
}

std::span<const std::uint8_t> jpegOf(const FrameRecord& frame) {
    return {frame.jpegData, static_cast<std::size_t>(frame.jpegSize)};
}

ExportResult cancelled(const std::string& target) {
    return ExportResult::failure(Status::Cancelled, target + ": cancelled, nothing was written");
}

ExportResult writeOriginal(const Recording& recording, const std::vector<ClipFrame>& timeline,
                           ClipKind kind, const TargetFile& file, ExportProgress& progress) {
    const std::string& target = file.targetPath();
    const FrameRecord first = recording.frameAt(timeline.front().index);
    std::pair<int, int> size{recording.bitmapWidth(), recording.bitmapHeight()};
    if (const auto header = jpegPictureSize(jpegOf(first))) {
        size = *header;
    }
    const bool avi = kind == ClipKind::OriginalAvi;
    av::MediaWriter writer(target);
    if (!writer.open(avi ? "avi" : "matroska", file.temporaryPath()) ||
        !writer.addJpegStream(size.first, size.second, avi) || !writer.writeHeader()) {
        return ExportResult::failure(Status::Failed, writer.error());
    }
    for (std::size_t i = 0; i < timeline.size(); ++i) {
        if (progress.isCancelled()) {
            return cancelled(target);
        }
        const ClipFrame& frame = timeline[i];
        if (!writer.writeBytes(jpegOf(recording.frameAt(frame.index)), frame.pts, frame.duration)) {
            return ExportResult::failure(Status::Failed, writer.error());
        }
        progress.advance(i + 1, timeline.size());
    }
    // AVI has no durations, only its grid: empty chunks to the end of the last frame's time.
    const ClipFrame& last = timeline.back();
    if (avi && last.duration > 1 && !writer.writeBytes({}, last.pts + last.duration - 1, 1)) {
        return ExportResult::failure(Status::Failed, writer.error());
    }
    if (!writer.finish()) {
        return ExportResult::failure(Status::Failed, writer.error());
    }
    return ExportResult::ok();
}

// The picture size of the share copy: the viewer's, or that of the first frame in the span
// whose header can be read.
std::optional<std::pair<int, int>> sharePictureSize(const Recording& recording,
                                                    const std::vector<ClipFrame>& timeline) {
    FramePictures probe(recording);
    for (const ClipFrame& frame : timeline) {
        if (probe.hasPicture()) {
            break;
        }
        const auto header = jpegPictureSize(jpegOf(recording.frameAt(frame.index)));
        if (header && FrameBitmap::isAcceptableSize(header->first, header->second)) {
            return header;
        }
    }
    if (!probe.hasPicture()) {
        return std::nullopt;
    }
    return std::make_pair(probe.bitmap().width(), probe.bitmap().height());
}

ExportResult writeShareCopy(const Recording& recording, const std::vector<ClipFrame>& timeline,
                            const ClipOptions& options, const TargetFile& file,
                            ExportProgress& progress) {
    const std::string& target = file.targetPath();
    const auto size = sharePictureSize(recording, timeline);
    if (!size) {
        return ExportResult::failure(Status::Failed,
                                     target + ": no frame of the span has a readable picture");
    }
    const auto [width, height] = *size;
    av::H264Encoder encoder(target);
    av::MediaWriter writer(target);
    if (!encoder.open(width, height, true)) {
        return ExportResult::failure(Status::Failed, encoder.error());
    }
    if (!writer.open("mp4", file.temporaryPath()) || !writer.addEncodedStream(encoder) ||
        !writer.writeHeader({{"movflags", "+faststart"}, {"video_track_timescale", "30"}})) {
        return ExportResult::failure(Status::Failed, writer.error());
    }
    const auto toFile = [&writer](AVPacket& packet) { return writer.writePacket(packet); };
    const auto failed = [&writer, &encoder] {
        return ExportResult::failure(Status::Failed,
                                     writer.error().empty() ? encoder.error() : writer.error());
    };

    SharePictures pictures(recording, timeline, options.overlay, options.clock,
                           options.redaction.get(), width, height);
    std::size_t damaged = 0;
    for (std::size_t i = 0; i < timeline.size(); ++i) {
        const SharePictures::Picture current = pictures.next();
        if (progress.isCancelled()) {
            return cancelled(target);
        }
        if (!current.planes.isCreated()) {
            return ExportResult::failure(Status::Failed, target + ": no memory for a picture");
        }
        damaged += current.complete ? 0 : 1;
        const ClipFrame& frame = timeline[i];
        if (!encoder.encode(current.planes, frame.pts, frame.duration, toFile)) {
            return failed();
        }
        progress.advance(i + 1, timeline.size());
    }
    if (!encoder.flush(toFile)) {
        return failed();
    }
    if (!writer.finish()) {
        return ExportResult::failure(Status::Failed, writer.error());
    }
    if (damaged > 0) {
        return ExportResult::failure(
            Status::WrittenWithDamage,
            target + ": " + std::to_string(damaged) +
                " frames did not decode completely; they show as in the viewer");
    }
    return ExportResult::ok();
}

}  // namespace

std::optional<ClipKind> clipKindForPath(const std::string& path) {
    std::string extension = fileOps::utf8Path(fileOps::fsPath(path).extension());
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".avi") {
        return ClipKind::OriginalAvi;
    }
    if (extension == ".mkv") {
        return ClipKind::OriginalMkv;
    }
    if (extension == ".mp4") {
        return ClipKind::ShareMp4;
    }
    return std::nullopt;
}

std::optional<std::pair<std::uint32_t, std::uint32_t>> framesInSpan(const Recording& recording,
                                                                    const ReadoutSpan& span) {
    std::optional<std::pair<std::uint32_t, std::uint32_t>> inside;
    const auto count = static_cast<std::uint32_t>(recording.frameCount());
    for (std::uint32_t i = 0; i < count; ++i) {
        const double seconds = readoutSeconds(recording.frameAt(i).number);
        if ((span.fromSeconds && seconds < *span.fromSeconds) ||
            (span.toSeconds && seconds > *span.toSeconds)) {
            continue;
        }
        if (!inside) {
            inside.emplace(i, i);
        }
        inside->second = i;
    }
    return inside;
}

std::vector<ClipFrame> clipTimeline(const Recording& recording, std::uint32_t first,
                                    std::uint32_t last) {
    std::vector<ClipFrame> timeline;
    if (recording.frameCount() == 0) {
        return timeline;
    }
    last = std::min(last, static_cast<std::uint32_t>(recording.frameCount() - 1));
    std::optional<std::int64_t> firstNumber;
    for (std::uint32_t i = first; i <= last && i >= first; ++i) {
        const FrameRecord frame = recording.frameAt(i);
        if (frame.jpegSize <= 0 || frame.jpegData == nullptr) {
            continue;
        }
        if (!firstNumber) {
            firstNumber = frame.number;
        }
        std::int64_t pts = std::int64_t{frame.number} - *firstNumber;
        if (!timeline.empty()) {
            ClipFrame& previous = timeline.back();
            pts = std::max(pts, previous.pts + 1);
            previous.duration = pts - previous.pts;
        }
        timeline.push_back({i, pts, 1});
    }
    if (timeline.size() > 1) {
        timeline.back().duration = timeline[timeline.size() - 2].duration;
    }
    return timeline;
}

ExportResult exportClip(const Recording& recording, const std::string& target,
                        const ClipOptions& options, ExportProgress& progress) {
    if (recording.frameCount() == 0) {
        return ExportResult::failure(Status::Refused, target + ": the recording holds no frame");
    }
    if (options.redaction && options.kind != ClipKind::ShareMp4) {
        return ExportResult::failure(Status::Refused,
                                     target + ": an original clip is never redacted; only the "
                                              "share copy (.mp4) is");
    }
    const auto span = framesInSpan(recording, options.span);
    if (!span) {
        return ExportResult::failure(Status::Refused,
                                     target + ": no frame of the recording lies in the span");
    }
    const std::vector<ClipFrame> timeline = clipTimeline(recording, span->first, span->second);
    if (timeline.empty()) {
        return ExportResult::failure(Status::Refused,
                                     target + ": the frames in the span hold no picture data");
    }
    TargetFile file(target, options.replace);
    if (!file.open()) {
        return ExportResult::failure(file.targetExists() ? Status::Refused : Status::Failed,
                                     file.error());
    }
    ExportResult result = options.kind == ClipKind::ShareMp4
                              ? writeShareCopy(recording, timeline, options, file, progress)
                              : writeOriginal(recording, timeline, options.kind, file, progress);
    if (!result.written()) {
        return result;
    }
    if (progress.isCancelled()) {
        return cancelled(target);
    }
    if (!file.commit()) {
        return ExportResult::failure(file.targetExists() ? Status::Refused : Status::Failed,
                                     file.error());
    }
    return result;
}
