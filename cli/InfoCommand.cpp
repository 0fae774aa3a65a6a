#include <cstring>
#include <future>
#include <sstream>
#include <string_view>
#include <system_error>

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

    // The hash reads the file again on a thread of its own while the frames decode here: the
    // two take about as long as the decode alone. Without a thread it is taken here.
    const auto hash = [path = args[0]] {
        std::string hashError;
        return fileSha256(path, hashError).value_or("");
    };
    std::future<std::string> sha256;
    try {
        sha256 = std::async(std::launch::async, hash);
    } catch (const std::system_error&) {
        sha256 = std::async(std::launch::deferred, hash);
    }
    const int width = recording.bitmapWidth();
    const int height = recording.bitmapHeight();
    std::ostringstream frames;
    for (std::uint32_t i = 0; i < recording.frameCount(); ++i) {
        const FrameRecord frame = recording.frameAt(i);
        bool decoded = false;
        try {
            decoded = recording.decodeFrame(i, false);
        } catch (int) {
            decoded = false;
        }
        const std::size_t nameLength = strnlen(frame.name.data(), frame.name.size());
        frames << (i == 0 ? "\n" : ",\n") << "  {\"index\": " << i
               << ", \"name\": " << jsonString(std::string_view(frame.name.data(), nameLength))
               << ", \"number\": " << frame.number << ", \"size\": " << frame.jpegSize
               << ", \"time\": " << jsonString(frameTimeText(frame.number))
               << ", \"decoded\": " << (decoded ? "true" : "false") << "}";
    }
    out << "{\"loaded\": true, \"sha256\": " << jsonString(sha256.get())
        << ", \"captureDate\": " << jsonString(recording.getCaptureDate())
        << ", \"width\": " << width << ", \"height\": " << height << ", \"frames\": ["
        << frames.view();
    out << (recording.frameCount() > 0 ? "\n]}\n" : "]}\n");
    return 0;
}
