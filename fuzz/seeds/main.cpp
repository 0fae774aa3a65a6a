// Writes the seed corpus of every fuzz target: OUT_DIR/<target>/<name>.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <vector>

#include "FileBytes.h"
#include "RecordingFileWriter.h"
#include "SeedCorpus.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUT_DIR TARGET... [--sample FILE]\n", argv[0]);
        return 2;
    }
    try {
        std::vector<std::uint8_t> sample;
        std::vector<std::string> targets;
        for (int i = 2; i < argc; ++i) {
            if (std::string_view(argv[i]) == "--sample" && i + 1 < argc) {
                sample = readFileBytes(argv[++i]);
            } else {
                targets.emplace_back(argv[i]);
            }
        }
        for (const std::string& target : targets) {
            const std::filesystem::path folder = std::filesystem::path(argv[1]) / target;
            std::filesystem::create_directories(folder);
            for (const Seed& seed : seedsFor(target, sample)) {
                if (!writeFile((folder / seed.name).string(), seed.bytes)) {
                    std::fprintf(stderr, "cannot write %s\n", (folder / seed.name).c_str());
                    return 1;
                }
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
