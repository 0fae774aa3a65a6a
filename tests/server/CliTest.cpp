// The command line: usage errors exit 2 before anything is touched, and --config stands in
// for the options it holds.
#include <sstream>

#include <nlohmann/json.hpp>

#include "FileBytes.h"
#include "ServerCli.h"
#include "ServerFixture.h"
#include "TempFolder.h"

namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

CliRun run(const std::vector<std::string>& args, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    CliRun r;
    r.status = runServerCli(args, in, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

}  // namespace

TEST(ServerCli, UsageErrorsExitTwoAndTouchNothing) {
    TempFolder folder;
    const std::string lib = folder.file("lib");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"frobnicate", "--library", lib},
             {"serve"},
             {"serve", "--library", lib, "--listen", "8080"},
             {"serve", "--library", lib, "--max-upload", "-3"},
             {"serve", "--library", lib, "--colour", "red"},
             {"user", "add", "ana", "--library", lib},
             {"user", "add", "ana", "--role", "king", "--library", lib},
             {"token", "add", "cam", "--library", lib},
             {"audit", "--library", lib},
             {"user", "list", "--config", folder.file("missing.conf")},
         }) {
        const CliRun r = run(args);
        EXPECT_EQ(r.status, 2) << testing::PrintToString(args);
        EXPECT_FALSE(r.err.empty()) << testing::PrintToString(args);
    }
    EXPECT_TRUE(tree(folder.path()).empty()) << "a usage error left " << tree(folder.path()).front();
}

TEST(ServerCli, TheConfigFileGivesWhatTheCommandLineDoesNot) {
    TempFolder folder;
    const std::string conf = folder.file("server.conf");
    ASSERT_TRUE(writeBytes(conf, "[server]\nlibrary=" + folder.file("lib") + "\ndatabase=sqlite:" +
                                     folder.file("state.sqlite") + "\n"));
    EXPECT_EQ(run({"user", "add", "ana", "--role", "manager", "--depot", "north", "--config", conf},
                  "a long password\n")
                  .status,
              0);
    const CliRun list = run({"user", "list", "--config", conf});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(nlohmann::json::parse(list.out),
              (nlohmann::json{{"user", "ana"}, {"role", "manager"}, {"depots", {"north"}}}));
    EXPECT_TRUE(std::filesystem::exists(folder.file("state.sqlite")));
    // The same name again is refused, and says so.
    const CliRun again = run({"user", "add", "ana", "--role", "viewer", "--config", conf}, "pw\n");
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("already a user ana"), std::string::npos) << again.err;
}

// A recording imported from the console is indexed and has its list thumbnail made; one that
// is held already is "present" and indexed, and stray files are passed over.
TEST(ServerCli, ImportIndexesAndPreparesTheThumbnail) {
    TempFolder folder;
    const std::string library = folder.file("lib");
    const std::string database = "sqlite:" + folder.file("state.sqlite");
    std::filesystem::create_directories(folder.file("card"));
    ASSERT_TRUE(writeFileBytes(folder.file("card/halcjpeg.dat"), smallRecording(3, 90)));
    ASSERT_TRUE(writeBytes(folder.file("card/notes.txt"), "not a recording\n"));
    const CliRun first = run({"import", folder.file("card"), "--depot", "north", "--library", library,
                              "--database", database});
    EXPECT_EQ(first.status, 0) << first.err;
    std::istringstream lines(first.out);
    std::string line;
    std::vector<std::string> statuses;
    std::string sha256;
    while (std::getline(lines, line)) {
        const auto said = nlohmann::json::parse(line);
        statuses.push_back(said.at("status"));
        sha256 = said.value("sha256", sha256);
    }
    EXPECT_EQ(statuses, (std::vector<std::string>{"imported", "skipped"}));
    ASSERT_EQ(sha256.size(), 64u);
    EXPECT_TRUE(readBytes(library + "/.halcyra-cache/thumbnails/" + sha256 + ".jpg").starts_with("\xff\xd8"));
    const CliRun again = run({"import", folder.file("card/halcjpeg.dat"), "--library", library, "--database", database});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.out.find("\"present\""), std::string::npos) << again.out;
}
