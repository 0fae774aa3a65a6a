// The yardstick for `halcyra-cli info`: the same load of the file, then every frame decoded
// by libjpeg-turbo's tjDecompress2 to BGR at the frame's own size, nothing printed. info does
// this much and also hashes the file and writes its JSON.
#include <turbojpeg.h>

#include <cstdio>
#include <vector>

#include "Recording.h"
#include "StandInOwner.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    StandInOwner owner;
    Recording recording;
    recording.setOwner(&owner);
    if (!recording.load(argv[1])) {
        return 1;
    }
    tjhandle handle = tjInitDecompress();
    std::vector<unsigned char> pixels;
    std::size_t decoded = 0;
    for (std::uint32_t i = 0; i < recording.frameCount(); ++i) {
        const FrameRecord frame = recording.frameAt(i);
        int width = 0;
        int height = 0;
        int subsampling = 0;
        int colourspace = 0;
        auto* jpeg = const_cast<unsigned char*>(frame.jpegData);
        const auto size = static_cast<unsigned long>(frame.jpegSize);
        if (tjDecompressHeader3(handle, jpeg, size, &width, &height, &subsampling, &colourspace) !=
            0) {
            continue;
        }
        pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
        if (tjDecompress2(handle, jpeg, size, pixels.data(), width, 0, height, TJPF_BGR, 0) == 0) {
            ++decoded;
        }
    }
    tjDestroy(handle);
    return decoded > 0 ? 0 : 1;
}
