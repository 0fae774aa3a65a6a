#include <cstring>
#include <string_view>

#include "ArgumentReader.h"
#include "Commands.h"
#include "FileDigest.h"
#include "FrameTimeText.h"
#include "JsonText.h"
#include "LoadFailureText.h"
#include "Recording.h"
#include "StandInOwner.h"

namespace {

constexpr const char* usage =
    "usage: halcyra-cli info FILE\n\n"
    "Loads a recording (halcjpeg.dat) as the viewer does and prints one JSON object:\n"
    "loaded, sha256 (the file's, lower-case hex), captureDate, width and height of the picture,\n"
    "and for every frame its index, name, number, size, time and whether it decoded fully.\n"
    "Exit status: 0 loaded, 1 refused, 2 usage error.\n";

}  // namespace

int runInfoCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    if (wantsHelp(args)) {
        out << usage;
        return 0;
    }
    if (args.size() != 1 || args[0].empty() || args[0].starts_with("--")) {
        err << usage;
        return 2;
    }

    StandInOwner owner;
    Recording recording;
    recording.setOwner(&owner);
    if (!recording.load(args[0])) {
        out << "{\"loaded\": false, \"captureDate\": \"\", \"width\": 0, \"height\": 0, "
               "\"frames\": []}\n";
        err << "halcyra-cli: " << args[0] << ": "
            << loadFailureText(recording.lastLoadFailure()) << "\n";
        return 1;
    }

    const int width = recording.bitmapWidth();
    const int height = recording.bitmapHeight();
    std::string hashError;
    const std::string sha256 = fileSha256(args[0], hashError).value_or("");
    out << "{\"loaded\": true, \"sha256\": " << jsonString(sha256)
        << ", \"captureDate\": " << jsonString(recording.getCaptureDate())
        << ", \"width\": " << width << ", \"height\": " << height << ", \"frames\": [";
    for (std::uint32_t i = 0; i < recording.frameCount(); ++i) {
        const FrameRecord frame = recording.frameAt(i);
        bool decoded = false;
        try {
            decoded = recording.decodeFrame(i, false);
        } catch (int) {
            decoded = false;
        }
        const std::size_t nameLength = strnlen(frame.name.data(), frame.name.size());
        out << (i == 0 ? "\n" : ",\n") << "  {\"index\": " << i
            << ", \"name\": " << jsonString(std::string_view(frame.name.data(), nameLength))
            << ", \"number\": " << frame.number << ", \"size\": " << frame.jpegSize
            << ", \"time\": " << jsonString(frameTimeText(frame.number))
            << ", \"decoded\": " << (decoded ? "true" : "false") << "}";
    }
    out << (recording.frameCount() > 0 ? "\n]}\n" : "]}\n");
    return 0;
}
