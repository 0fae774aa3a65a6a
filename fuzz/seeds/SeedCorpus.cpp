#include "SeedCorpus.h"

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>
#include <cstdio>

#include "ExifSegment.h"
#include "JpegEncoder.h"
#include "RecordingFileWriter.h"
#include "RoadScene.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(std::string_view text) {
    return {text.begin(), text.end()};
}

Bytes scene(int width, int height, int frame = 3) {
    return renderRoadScene(width, height, frame, 8);
}

Bytes frame(int width, int height, const JpegEncodeOptions& options = {}) {
    return encodeJpeg(width, height, scene(width, height), options);
}

// Codings the recorder never writes but a damaged or foreign file may hold; the sample
// writer makes only baseline frames.
struct Coding {
    bool progressive = false;
    bool arithmetic = false;
    int restartRows = 0;
};

struct CompressState {
    jpeg_compress_struct compressor;
    jpeg_error_mgr errors;
    std::jmp_buf returnPoint;
    unsigned char* output;
    unsigned long outputSize;
};

[[noreturn]] void jumpBack(j_common_ptr info) {
    std::longjmp(reinterpret_cast<CompressState*>(info->client_data)->returnPoint, 1);
}

// C style, nothing with a destructor: the library may jump back here from any call.
bool compressGuarded(CompressState* state, int width, int height, const std::uint8_t* rgb,
                     const Coding* coding) {
    state->compressor.err = jpeg_std_error(&state->errors);
    state->errors.error_exit = jumpBack;
    state->compressor.client_data = state;
    if (setjmp(state->returnPoint) != 0) {
        jpeg_destroy_compress(&state->compressor);
        return false;
    }
    jpeg_create_compress(&state->compressor);
    jpeg_mem_dest(&state->compressor, &state->output, &state->outputSize);
    state->compressor.image_width = static_cast<JDIMENSION>(width);
    state->compressor.image_height = static_cast<JDIMENSION>(height);
    state->compressor.input_components = 3;
    state->compressor.in_color_space = JCS_RGB;
    jpeg_set_defaults(&state->compressor);
    jpeg_set_quality(&state->compressor, 80, TRUE);
    if (coding->progressive) {
        jpeg_simple_progression(&state->compressor);
    }
    state->compressor.arith_code = coding->arithmetic ? TRUE : FALSE;
    state->compressor.restart_in_rows = coding->restartRows;
    jpeg_start_compress(&state->compressor, TRUE);
    while (state->compressor.next_scanline < state->compressor.image_height) {
        auto* row = const_cast<JSAMPLE*>(rgb) +
                    static_cast<std::size_t>(state->compressor.next_scanline) * width * 3;
        jpeg_write_scanlines(&state->compressor, &row, 1);
    }
    jpeg_finish_compress(&state->compressor);
    jpeg_destroy_compress(&state->compressor);
    return true;
}

Bytes codedFrame(int width, int height, const Coding& coding) {
    const Bytes rgb = scene(width, height);
    CompressState state{};
    const bool done = compressGuarded(&state, width, height, rgb.data(), &coding);
    Bytes result;
    if (done) {
        result.assign(state.output, state.output + state.outputSize);
    }
    std::free(state.output);
    if (!done) {
        throw std::runtime_error("cannot encode a seed frame");
    }
    return result;
}

Bytes truncated(Bytes bytes, std::size_t keep) {
    bytes.resize(std::min(keep, bytes.size()));
    return bytes;
}

Bytes withExif(const ExifSegmentOptions& options) {
    JpegEncodeOptions jpeg;
    jpeg.app1 = makeExifSegment(options);
    return frame(8, 8, jpeg);
}

// The records of a recording file, each as its bytes, for as long as they are complete.
std::vector<Bytes> recordsOf(std::span<const std::uint8_t> file) {
    std::vector<Bytes> records;
    std::size_t pos = 0;
    while (file.size() - pos >= 12) {
        const std::uint8_t* field = file.data() + pos + 8;
        const auto size = static_cast<std::int32_t>(
            std::uint32_t{field[0]} | (std::uint32_t{field[1]} << 8) |
            (std::uint32_t{field[2]} << 16) | (std::uint32_t{field[3]} << 24));
        if (size < 0 || file.size() - pos - 12 < static_cast<std::size_t>(size)) {
            break;
        }
        const std::size_t end = pos + 12 + static_cast<std::size_t>(size);
        records.emplace_back(file.begin() + static_cast<std::ptrdiff_t>(pos),
                             file.begin() + static_cast<std::ptrdiff_t>(end));
        pos = end;
    }
    return records;
}

std::vector<Seed> jpegSeeds(std::span<const std::uint8_t> sample) {
    JpegEncodeOptions yuv422;
    yuv422.subsampling = ChromaSubsampling::Yuv422;
    JpegEncodeOptions yuv444;
    yuv444.subsampling = ChromaSubsampling::Yuv444;
    JpegEncodeOptions grey;
    grey.grayscale = true;
    JpegEncodeOptions dated;
    dated.app1 = makeExifSegment("2026:11:28 14:35:07");
    const Bytes baseline = frame(16, 16);

    std::vector<Seed> seeds{
        {"baseline-420", baseline},
        {"baseline-422", frame(16, 8, yuv422)},
        {"baseline-444-odd", frame(33, 17, yuv444)},
        {"grey", frame(8, 8, grey)},
        {"exif", frame(8, 8, dated)},
        {"cmyk", encodeCmykJpeg(8, 8, Bytes(std::size_t{8} * 8 * 4, 0x40))},
        {"progressive", codedFrame(24, 16, {.progressive = true})},
        {"arithmetic", codedFrame(16, 16, {.arithmetic = true})},
        {"restarts", codedFrame(40, 24, {.restartRows = 1})},
        {"truncated-in-scan", truncated(baseline, baseline.size() - 40)},
        {"truncated-in-header", truncated(baseline, 100)},
        {"soi-only", bytesOf("\xFF\xD8")},
    };
    const std::vector<Bytes> records = recordsOf(sample);
    if (!records.empty()) {
        seeds.push_back(
            {"sample-first", Bytes(records.front().begin() + 12, records.front().end())});
        const Bytes& later = records[records.size() / 2];
        seeds.push_back({"sample-middle", Bytes(later.begin() + 12, later.end())});
    }
    return seeds;
}

std::vector<Seed> exifSeeds(std::span<const std::uint8_t> sample) {
    ExifSegmentOptions motorola;
    motorola.order = ExifByteOrder::Motorola;
    motorola.dateTimeOriginal = "2027:01:02 03:04:05";
    ExifSegmentOptions intel;
    intel.dateTimeOriginal = "2026:11:28 14:35:07";
    ExifSegmentOptions noDate;
    ExifSegmentOptions unterminated = intel;
    unterminated.terminateDate = false;
    ExifSegmentOptions noPointer = intel;
    noPointer.exifPointer = false;

    // Offsets that point past the end, patched into an otherwise valid segment.
    ExifSegmentLayout layout;
    Bytes farDate = makeExifSegment(intel, &layout);
    putExifU32(farDate, layout.dateValue, 0xFFFFFFF0U, ExifByteOrder::Intel);
    Bytes farDirectory = makeExifSegment(intel, &layout);
    putExifU32(farDirectory, layout.exifPointerValue, 0x7FFFFFFFU, ExifByteOrder::Intel);

    const auto bare = [](Bytes segment) {
        Bytes bytes(segment.size() + 2);
        bytes[0] = 0xFF;
        bytes[1] = 0xD8;
        std::copy(segment.begin(), segment.end(), bytes.begin() + 2);
        bytes.push_back(0xFF);
        bytes.push_back(0xD9);
        return bytes;
    };
    std::vector<Seed> seeds{
        {"intel", withExif(intel)},
        {"motorola", withExif(motorola)},
        {"no-date", withExif(noDate)},
        {"unterminated", bare(makeExifSegment(unterminated))},
        {"no-pointer", bare(makeExifSegment(noPointer))},
        {"date-offset-past-end", bare(farDate)},
        {"directory-offset-past-end", bare(farDirectory)},
        {"no-app1", frame(8, 8)},
    };
    const std::vector<Bytes> records = recordsOf(sample);
    if (!records.empty()) {
        seeds.push_back(
            {"sample-first", Bytes(records.front().begin() + 12, records.front().end())});
    }
    return seeds;
}

Bytes tinyFrame(int shade, int width = 8, int height = 8) {
    const Bytes rgb(static_cast<std::size_t>(width) * height * 3, static_cast<std::uint8_t>(shade));
    return encodeJpeg(width, height, rgb);
}

Bytes recordingOf(const std::vector<std::pair<std::int32_t, Bytes>>& frames) {
    Bytes file;
    for (const auto& [number, jpeg] : frames) {
        appendFrame(file, number, jpeg);
    }
    return file;
}

std::array<char, 8> rawName(std::string_view text) {
    std::array<char, 8> name{};
    std::memcpy(name.data(), text.data(), std::min(text.size(), name.size()));
    return name;
}

std::vector<Seed> recordingSeeds(std::span<const std::uint8_t> sample) {
    const Bytes small = smallRecording();
    Bytes fiveInARow;
    for (int number = 1; number <= 5; ++number) {
        appendFrame(fiveInARow, number, tinyFrame(number * 40));
    }
    Bytes badSecondName = recordingOf({{1, tinyFrame(10)}});
    appendRawRecord(badSecondName, rawName("002.jpeg"), 4, bytesOf("\xFF\xD8\xFF\xD9"));
    Bytes negativeSize = recordingOf({{1, tinyFrame(10)}});
    appendRawRecord(negativeSize, frameName(2), -5, {});
    Bytes oddNames;
    appendRawRecord(oddNames, rawName("abc.jpg"), 0, {});
    const Bytes grey = tinyFrame(200);
    appendRawRecord(oddNames, rawName("-01.jpg"), static_cast<std::int32_t>(grey.size()), grey);
    appendRawRecord(oddNames, rawName(" +9.jpg"), static_cast<std::int32_t>(grey.size()), grey);
    Bytes endsInHeader = small;
    endsInHeader.insert(endsInHeader.end(), {'0', '0', '9', '.', 'j'});
    Bytes overAnnounced = recordingOf({{1, tinyFrame(10)}, {4, tinyFrame(20)}});
    appendRawRecord(overAnnounced, frameName(7), 5000, Bytes(3000, 0xFF));

    std::vector<Seed> seeds{
        {"three-frames", small},
        {"numbers-one-apart", fiveInARow},
        {"single-frame", recordingOf({{1, tinyFrame(90)}})},
        {"ends-in-header", endsInHeader},
        {"ends-in-frame", truncated(small, small.size() - 20)},
        {"bad-second-name", badSecondName},
        {"negative-size", negativeSize},
        {"odd-names-and-empty-frame", oddNames},
        {"announces-more-than-it-holds", overAnnounced},
        {"sizes-change", recordingOf({{1, tinyFrame(30, 16, 8)},
                                      {2, tinyFrame(60, 8, 24)},
                                      {3, encodeCmykJpeg(8, 8, Bytes(256, 0))}})},
    };
    const std::vector<Bytes> records = recordsOf(sample);
    if (records.size() >= 3) {
        Bytes start;
        for (std::size_t i = 0; i < 3; ++i) {
            start.insert(start.end(), records[i].begin(), records[i].end());
        }
        seeds.push_back({"sample-start", start});
    }
    return seeds;
}

std::vector<Seed> profileSeeds() {
    return {
        {"saved-car", bytesOf("[Config]\r\ncarType=0\r\ny=10\r\nx=5\r\nz=7\r\n")},
        {"saved-truck",
         bytesOf("[Config]\r\ncarType=1\r\ny=3\r\nx=4\r\nz=5\r\nty=6\r\ntx=7\r\ntz=8\r\n")},
        {"unix-lines-and-blanks",
         bytesOf("\n[ config ]\n  CarType = 1 \n\nty=\"15\"\n\n[Other]\nty=2\n")},
        {"two-sections", bytesOf("[Config]\nx=1\n[Window]\nleft=3\n[CONFIG]\nx=9\nz=-3\n")},
        {"comments-and-junk",
         bytesOf("; written by hand\n[Config\nx=2\n[Config]\n;y=4\n=7\nnoequals\ny=abc\n")},
        {"no-final-newline", bytesOf("[Config]\r\nz=12")},
        {"no-section", bytesOf("carType=1\r\ny=2\r\n")},
        {"long-values",
         bytesOf("[Config]\nCarType=" + std::string(150, '1') + "\ny=99999999999999\n")},
        {"empty", {}},
    };
}

std::vector<Seed> cliSeeds() {
    return {
        {"help", bytesOf("--help")},
        {"info", bytesOf("info\nhalcjpeg.dat")},
        {"info-broken", bytesOf("info\nbroken.dat")},
        {"export-frame", bytesOf("export\nhalcjpeg.dat\n--frame\n2\n--out\nframe.png")},
        {"export-all", bytesOf("export\nbroken.dat\n--all\n--out\nframes\n--format\nppm")},
        {"export-help", bytesOf("export\n--help")},
        {"sensitivity", bytesOf("sensitivity\n--vehicle\ntruck\n--front-back\n3\n--left-right\n10\n"
                                "--up-down\n0\n--out\ncard\n--force")},
        {"clock", bytesOf("clock\n--date\n2027-02-28\n--time\n23:59:59\n--out\n.")},
        {"clock-existing",
         bytesOf("clock\n--date\n2027-02-28\n--time\n00:00:00\n--out\nhalcjpeg.dat")},
        {"unknown", bytesOf("play\nhalcjpeg.dat")},
    };
}

std::vector<Seed> redactionSeeds() {
    return {
        {"documented", bytesOf(R"({"version": 1, "regions": [{"label": "plate", "keys": [
    {"index": 440, "x": 100, "y": 120, "w": 48, "h": 24},
    {"index": 470, "x": 140, "y": 118, "w": 60, "h": 30}]}]})")},
        {"three-labels", bytesOf(R"({"version":1,"regions":[{"label":"face","keys":[{"index":0,"x":-5,"y":-5,"w":20,"h":20}]},)"
                                 R"({"label":"other","keys":[{"index":1,"x":10,"y":3,"w":9,"h":9},{"index":9,"x":0,"y":0,"w":30,"h":30}]},)"
                                 R"({"label":"plate","keys":[{"index":0,"x":1,"y":1,"w":1,"h":1}]}]})")},
        {"empty", bytesOf(R"({"version": 1, "regions": []})")},
        {"far-outside", bytesOf(R"({"version":1,"regions":[{"label":"face","keys":[{"index":4294967295,"x":-1000000,"y":1000000,"w":1000000,"h":1}]}]})")},
        {"out-of-order", bytesOf(R"({"version":1,"regions":[{"label":"face","keys":[{"index":5,"x":0,"y":0,"w":4,"h":4},{"index":5,"x":0,"y":0,"w":4,"h":4}]}]})")},
        {"version-2", bytesOf(R"({"version": 2, "regions": []})")},
        {"cut-short", bytesOf(R"({"version": 1, "regions": [{"label": "plate", "keys": [{"ind)")},
    };
}

std::vector<Seed> sidecarSeeds() {
    const std::string hash(64, 'c');
    const std::string sound =
        R"({"formatVersion": 1, "fileName": "halcjpeg.dat", "sha256": ")" + hash +
        R"(", "size": 28311552, "source": "/media/root/CARD/halcjpeg.dat", "volumeLabel": "CARD",)"
        R"( "importedAt": "2026-12-09T02:30:01Z", "captureDate": "2026:11:28 14:35:07",)"
        R"( "frames": 300, "firstTime": "-15.000", "lastTime": "14.900", "complete": true,)"
        R"( "vehicle": "\u54c1\u5ddd 300", "driver": "", "note": "a\nb", "clockOffset": 65.5})";
    const auto with = [&sound](const std::string& from, const std::string& to) {
        std::string text = sound;
        text.replace(text.find(from), from.size(), to);
        return bytesOf(text);
    };
    return {
        {"sound", bytesOf(sound)},
        {"unknown-keys", with(R"("formatVersion": 1,)",
                              R"("formatVersion": 1, "thumbnail": {"at": [1, 2]}, "x": null,)")},
        {"minimal",
         bytesOf(R"({"formatVersion":1,"fileName":"a.dat","sha256":")" + hash + R"("})")},
        {"newer", with(R"("formatVersion": 1)", R"("formatVersion": 7)")},
        {"size-too-big", with("28311552", "18446744073709551616")},
        {"size-text", with("28311552", R"("28311552")")},
        {"path-in-name", with("halcjpeg.dat\"", "../halcjpeg.dat\"")},
        {"upper-case-hash", with(hash, std::string(64, 'C'))},
        {"offset-null", with("65.5", "null")},
        {"complete-text", with("true", R"("yes")")},
        {"cut-short", bytesOf(sound.substr(0, sound.size() / 2))},
        {"array", bytesOf("[1, 2, 3]")},
        {"empty", {}},
    };
}

// halcyra-server's requests: a first byte picking JSON (even) or an upload (odd).
std::vector<Seed> serverSeeds() {
    const auto json = [](const std::string& body) {
        std::vector<std::uint8_t> bytes{0};
        bytes.insert(bytes.end(), body.begin(), body.end());
        return bytes;
    };
    const auto upload = [](std::uint8_t piece, std::uint8_t says, const std::string& name,
                           const std::vector<std::uint8_t>& body) {
        std::vector<std::uint8_t> bytes{1, piece, says};
        bytes.insert(bytes.end(), name.begin(), name.end());
        bytes.push_back('\n');
        bytes.insert(bytes.end(), body.begin(), body.end());
        return bytes;
    };
    const std::vector<std::uint8_t> recording = smallRecording();
    std::vector<std::uint8_t> cut(recording.begin(), recording.begin() + static_cast<long>(recording.size() / 2));
    const std::string list = "a shopping list, not a recording\n";
    return {
        {"share", json(R"({"expires": 7, "password": "kagi", "download": true})")},
        {"share-time", json(R"({"expires": "2027-01-10T08:30:00.250Z"})")},
        {"share-past", json(R"({"expires": "2020-02-30T00:00:00+00:00"})")},
        {"edit", json(R"({"vehicle": "T-12", "tags": ["rain", "glare"], "clockOffset": -3600.5, "status": "dismissed"})")},
        {"edit-wrong", json(R"({"clockOffset": "65", "colour": "red"})")},
        {"not-object", json("[1, 2, 3]")},
        {"nested", json(std::string(600, '[') + std::string(600, ']'))},
        {"cut-short", json(R"({"expires": 3, "pass)")},
        {"upload", upload(4, 1, "halcjpeg.dat", recording)},
        {"upload-sha", upload(0, 3, "halcjpeg.dat", recording)},
        {"upload-wrong-sha", upload(255, 4, "halcjpeg.dat", recording)},
        {"upload-cut", upload(1, 0, "halcjpeg.dat", cut)},
        {"upload-text", upload(2, 1, "list.txt", std::vector<std::uint8_t>(list.begin(), list.end()))},
        {"upload-path", upload(3, 1, "../../etc/passwd", recording)},
        {"upload-no-name", upload(3, 1, "", recording)},
    };
}

}  // namespace

std::vector<std::uint8_t> smallRecording() {
    JpegEncodeOptions dated;
    dated.app1 = makeExifSegment("2026:11:28 14:35:07");
    return recordingOf(
        {{1, frame(16, 8, dated)}, {4, tinyFrame(120, 16, 8)}, {7, tinyFrame(240, 16, 8)}});
}

std::vector<Seed> seedsFor(std::string_view target, std::span<const std::uint8_t> sample) {
    if (target == "recording") {
        return recordingSeeds(sample);
    }
    if (target == "exif") {
        return exifSeeds(sample);
    }
    if (target == "jpeg") {
        return jpegSeeds(sample);
    }
    if (target == "profile") {
        return profileSeeds();
    }
    if (target == "cli") {
        return cliSeeds();
    }
    if (target == "redaction") {
        return redactionSeeds();
    }
    if (target == "sidecar") {
        return sidecarSeeds();
    }
    if (target == "server") {
        return serverSeeds();
    }
    throw std::invalid_argument("no seeds for fuzz target " + std::string(target));
}
