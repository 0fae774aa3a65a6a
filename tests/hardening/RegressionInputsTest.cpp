// Every input a fuzzer once crashed, hung or failed a check on is kept in data/<target>/
// and goes through the same entry point again; so do the seed corpora. A failed check
// aborts the test program with its message.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "FileBytes.h"
#include "FuzzEntries.h"
#include "SeedCorpus.h"

namespace {

struct KeptInput {
    std::string target;
    std::filesystem::path path;
};

void PrintTo(const KeptInput& input, std::ostream* out) {
    *out << input.path.string();
}

std::vector<KeptInput> keptInputs() {
    std::vector<KeptInput> inputs;
    for (const FuzzTarget& target : fuzzTargets()) {
        const std::filesystem::path folder =
            std::filesystem::path(HALCYRA_TEST_DATA_DIR) / std::string(target.name);
        if (!std::filesystem::is_directory(folder)) {
            continue;
        }
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (entry.is_regular_file()) {
                inputs.push_back({std::string(target.name), entry.path()});
            }
        }
    }
    std::sort(inputs.begin(), inputs.end(),
              [](const KeptInput& a, const KeptInput& b) { return a.path < b.path; });
    return inputs;
}

FuzzEntry entryFor(const std::string& name) {
    for (const FuzzTarget& target : fuzzTargets()) {
        if (target.name == name) {
            return target.entry;
        }
    }
    return nullptr;
}

class KeptInputs : public testing::TestWithParam<KeptInput> {};

TEST_P(KeptInputs, PassThroughTheirEntryPoint) {
    const KeptInput& input = GetParam();
    const std::vector<std::uint8_t> bytes = readFileBytes(input.path.string());
    ASSERT_EQ(bytes.size(), std::filesystem::file_size(input.path));
    entryFor(input.target)(bytes);
}

std::string testName(const testing::TestParamInfo<KeptInput>& info) {
    std::string name = info.param.target + "_" + info.param.path.filename().string();
    std::replace_if(
        name.begin(), name.end(),
        [](char c) { return std::isalnum(static_cast<unsigned char>(c)) == 0; }, '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Fuzzers, KeptInputs, testing::ValuesIn(keptInputs()), testName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(KeptInputs);

TEST(SeedCorpora, PassThroughTheirEntryPoints) {
    const std::vector<std::uint8_t> sample = readFileBytes(HALCYRA_SAMPLE_PATH);
    for (const FuzzTarget& target : fuzzTargets()) {
        for (const Seed& seed : seedsFor(target.name, sample)) {
            SCOPED_TRACE(std::string(target.name) + "/" + seed.name);
            target.entry(seed.bytes);
        }
    }
}

}  // namespace
