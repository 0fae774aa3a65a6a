// Ctrl+C or a termination request during a long command: the command stops at its next step,
// says so and leaves the target as it was. Runs the real program, as a shell would.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string run(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char block[4096];
    while (const std::size_t got = std::fread(block, 1, sizeof block, pipe)) {
        output.append(block, got);
    }
    pclose(pipe);
    return output;
}

std::string quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

class InterruptTest : public testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("halcyra-interrupt-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // Starts `words`, waits until `sign` exists (the command has begun writing), sends the
    // signal and prints the exit status after the command's standard error.
    std::string interrupted(const std::string& words, const std::string& sign,
                            const char* signal) const {
        // The command alone in the background, not a subshell around it: $! is its own.
        return run("cd " + quoted(dir) + " || exit 9; " + std::string(HALCYRA_CLI_PATH) + " " +
                   words + " 2>err.txt & pid=$!; for i in $(seq 400); do " + sign +
                   " && break; sleep 0.05; done; kill -" + signal +
                   " $pid; wait $pid; echo \"status $?\"; cat " + quoted(dir / "err.txt"));
    }

    fs::path dir;
};

TEST_F(InterruptTest, AnInterruptedPackageLeavesTheOldOneAndNoStagingFolder) {
    const std::string sample = quoted(HALCYRA_SAMPLE_PATH);
    ASSERT_EQ(run(std::string(HALCYRA_CLI_PATH) + " evidence " + sample + " --out " +
                  quoted(dir / "pkg") + " >/dev/null 2>&1; echo $?"),
              "0\n");
    const std::string before = run("cd " + quoted(dir / "pkg") + " && sha256sum * | sort");

    const std::string said = interrupted("evidence " + sample + " --out pkg --force",
                                         "ls -A pkg | grep -q '^[.]halcyra-package'", "TERM");
    EXPECT_NE(said.find("status 1\n"), std::string::npos) << said;
    EXPECT_NE(said.find("cancelled"), std::string::npos) << said;
    EXPECT_EQ(run("cd " + quoted(dir / "pkg") + " && sha256sum * | sort"), before);
    EXPECT_EQ(run("ls -A " + quoted(dir / "pkg") + " | grep '^[.]'"), "");
}

TEST_F(InterruptTest, AnInterruptedImportLeavesNoPartialEntry) {
    const std::string said = interrupted("import " + quoted(HALCYRA_SAMPLE_PATH) + " --library lib",
                                         "[ -d lib ]", "INT");
    // Either the copy was stopped or it had already finished whole: never a half.
    if (said.find("status 1\n") != std::string::npos) {
        EXPECT_EQ(run("ls -A " + quoted(dir / "lib")), "") << said;
    } else {
        EXPECT_NE(said.find("status 0\n"), std::string::npos) << said;
        EXPECT_NE(run(std::string(HALCYRA_CLI_PATH) + " library --library " + quoted(dir / "lib"))
                      .find("\"complete\": true"),
                  std::string::npos);
    }
}

}  // namespace
