#include "TestLibrary.h"

#include <filesystem>
#include <stdexcept>

#include "ExifSegment.h"
#include "FileBytes.h"
#include "Importer.h"
#include "JpegEncoder.h"
#include "Library.h"
#include "RecordingFileWriter.h"

std::vector<std::uint8_t> testRecording(int frames, const std::string& date, int step) {
    std::vector<std::uint8_t> file;
    for (int i = 0; i < frames; ++i) {
        const int number = 1 + i * step;
        const std::vector<std::uint8_t> rgb(16 * 16 * 3, static_cast<std::uint8_t>(number % 251));
        JpegEncodeOptions options;
        if (i == 0 && !date.empty()) {
            options.app1 = makeExifSegment(date);
        }
        appendFrame(file, number, encodeJpeg(16, 16, rgb, options));
    }
    return file;
}

TestLibrary::TestLibrary() {
    std::filesystem::create_directories(card);
}

std::string TestLibrary::putOnCard(const std::string& name,
                                   const std::vector<std::uint8_t>& bytes) const {
    const std::filesystem::path path = std::filesystem::path(card) / name;
    std::filesystem::create_directories(path.parent_path());
    if (!writeFileBytes(path.string(), bytes)) {
        throw std::runtime_error("cannot write " + path.string());
    }
    return path.string();
}

std::string TestLibrary::import(const std::string& source) const {
    const ImportResult result = Importer(Library(root)).importFile(source);
    if (result.status != ImportResult::Status::Imported) {
        throw std::runtime_error("cannot import " + source + ": " + result.reason);
    }
    return result.path;
}
