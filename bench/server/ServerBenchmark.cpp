// halcyra-server as a separate process, each measurement against a yardstick in the same run:
// - the first page of 100,000 recordings, and a filtered page, p95 over HTTP against the same
//   query on the database alone (the index's own list in this process, same SQLite file);
// - 50 clients fetching the sample's frames against nginx serving the same bytes as files
//   (the goal: at least half nginx's throughput, i.e. a ratio of time per frame of at most 2);
// - an upload of a 200 MB recording against cp of the file plus sha256sum of both copies (the
//   goal: at most 1.5);
// - the server's resident memory idle and under 50 downloads at once (counters, in MB).
// The 100,000 index rows are put as an import puts them, without their folders: the list reads
// only the index. The sample is imported for real, and frames and downloads come from it.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <netinet/in.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "Accounts.h"
#include "BenchSupport.h"
#include "Database.h"
#include "Library.h"
#include "LibraryEntry.h"
#include "ProcessRun.h"
#include "RecordingIndex.h"
#include "ScaleRecording.h"
#include "Secrets.h"
#include "Sha256.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int indexedRecordings = 100'000;
constexpr int listRequests = 300;
constexpr int frameClients = 50;
constexpr auto frameRun = std::chrono::seconds(3);
const std::string managerName = "chief";
const std::string managerPassword = "bench-password-1234";

int freePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    close(s);
    return port;
}

// A program run in the background with its output in `log`; stopped with SIGTERM.
class Child {
public:
    Child(const std::vector<std::string>& words, const std::string& log) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        std::vector<char*> argv;
        argv.reserve(words.size() + 1);
        for (const std::string& word : words) {
            argv.push_back(const_cast<char*>(word.c_str()));
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            int status = 0;
            waitpid(pid, &status, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t id() const { return pid; }

    // A line of /proc/PID/status in kB ("VmRSS", "VmHWM"); 0 when unknown.
    long memoryKb(const std::string& field) const {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.starts_with(field + ":")) {
                return std::atol(line.c_str() + field.size() + 1);
            }
        }
        return 0;
    }

private:
    pid_t pid = -1;
};

bool answers(int port, const std::string& path, const std::chrono::seconds wait) {
    const auto until = Clock::now() + wait;
    while (Clock::now() < until) {
        httplib::Client c("127.0.0.1", port);
        c.set_connection_timeout(1, 0);
        if (const auto res = c.Get(path); res && res->status == 200) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

std::string hex64(std::uint64_t n) {
    char text[65];
    std::snprintf(text, sizeof text, "%064llx", static_cast<unsigned long long>(n) * 2654435761ULL);
    return text;
}

// The fleet the benchmarks share, made once: a library with the sample imported and 100,000
// more index rows, a manager, the server serving it, the sample's frames as files for nginx.
struct Fleet {
    fs::path folder;
    fs::path library;
    std::string databaseUrl;
    std::string sampleSha;
    std::size_t sampleFrames = 0;
    std::unique_ptr<Child> server;
    int port = 0;
    std::string cookie;
    std::string csrf;
    std::string problem;

    Fleet() {
        folder = fs::temp_directory_path() / ("halcyra-bench-server-" + std::to_string(getpid()));
        library = folder / "library";
        fs::create_directories(library);
        databaseUrl = "sqlite:" + (library / ".halcyra-server.sqlite").string();
        const std::string log = (folder / "server.log").string();
        if (!secrets::init()) {
            problem = "libsodium did not start";
            return;
        }
        if (runProcess({HALCYRA_SERVER_PATH, "import", HALCYRA_SAMPLE_PATH, "--library",
                        library.string(), "--depot", "depot-00"})
                .succeeded == false) {
            problem = "the sample was not imported";
            return;
        }
        std::string error;
        sampleSha = Sha256::ofFile(HALCYRA_SAMPLE_PATH, error).value_or("");
        {
            auto database = store::open(databaseUrl);
            Accounts(*database).addUser(User{managerName, Role::Manager, {}}, managerPassword,
                                        "console", "");
            fillIndex(*database);
        }
        port = freePort();
        server = std::make_unique<Child>(
            std::vector<std::string>{HALCYRA_SERVER_PATH, "serve", "--library", library.string(),
                                     "--listen", "127.0.0.1:" + std::to_string(port)},
            log);
        if (!answers(port, "/api/v1/health", std::chrono::seconds(20))) {
            problem = "the server did not start (see " + log + ")";
            return;
        }
        httplib::Client c("127.0.0.1", port);
        const auto res = c.Post("/api/v1/session",
                                nlohmann::json{{"user", managerName}, {"password", managerPassword}}.dump(),
                                "application/json");
        if (!res || res->status != 200) {
            problem = "the manager could not log in";
            return;
        }
        const std::string setCookie = res->get_header_value("Set-Cookie");
        cookie = setCookie.substr(0, setCookie.find(';'));
        csrf = nlohmann::json::parse(res->body).at("csrf").get<std::string>();
        const auto facts = c.Get("/api/v1/recordings/" + sampleSha, {{"Cookie", cookie}});
        if (!facts || facts->status != 200) {
            problem = "the sample is not on the server";
            return;
        }
        sampleFrames = nlohmann::json::parse(facts->body).at("frames").size();
    }
    ~Fleet() {
        server.reset();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    Fleet(const Fleet&) = delete;
    Fleet& operator=(const Fleet&) = delete;

    // Rows as imports of a year of events across 20 depots, 500 vehicles and 1,000 drivers.
    void fillIndex(store::Database& database) const {
        store::Connection& c = database.connection();
        c.begin(true);
        for (int i = 0; i < indexedRecordings; ++i) {
            LibraryEntry e;
            e.sha256 = hex64(static_cast<std::uint64_t>(i) + 1);
            e.folder = (library / "bench" / e.sha256).string();
            e.path = e.folder + "/halcjpeg.dat";
            e.fileName = "halcjpeg.dat";
            e.size = 4'000'000;
            char date[32];
            std::snprintf(date, sizeof date, "2026:%02d:%02d %02d:%02d:%02d", 1 + i % 12,
                          1 + (i / 12) % 28, (i / 336) % 24, (i / 7) % 60, i % 60);
            e.captureDate = date;
            e.frames = 900;
            e.firstTime = "-15.000";
            e.lastTime = "14.967";
            e.importedAt = "2026-12-01T00:00:00Z";
            e.vehicle = "車両-" + std::to_string(i % 500);
            e.driver = "運転者-" + std::to_string(i % 1000);
            recordingIndex::put(c, library.string(), e, "depot-" + std::to_string(i % 20));
        }
        c.commit();
    }

    httplib::Client client() const {
        httplib::Client c("127.0.0.1", port);
        c.set_read_timeout(60, 0);
        c.set_keep_alive(true);
        return c;
    }
};

Fleet& fleet() {
    static Fleet shared;
    return shared;
}

bool ready(benchmark::State& state) {
    if (!fleet().problem.empty()) {
        state.SkipWithError(fleet().problem.c_str());
        return false;
    }
    return true;
}

double p95(std::vector<double> seconds) {
    std::sort(seconds.begin(), seconds.end());
    return seconds[std::min(seconds.size() - 1, seconds.size() * 95 / 100)];
}

// The same page asked of the server and of the index alone, p95 of each as its time.
void listPages(benchmark::State& state, const std::string& query, const RecordingFilter& filter,
               bool overHttp) {
    if (!ready(state)) {
        return;
    }
    Fleet& f = fleet();
    auto database = store::open(f.databaseUrl);
    httplib::Client c = f.client();
    for (auto _ : state) {
        std::vector<double> times;
        std::int64_t total = 0;
        for (int i = 0; i < listRequests; ++i) {
            const auto start = Clock::now();
            if (overHttp) {
                const auto res = c.Get("/api/v1/recordings" + query, {{"Cookie", f.cookie}});
                if (!res || res->status != 200) {
                    state.SkipWithError("the list was refused");
                    return;
                }
                total = nlohmann::json::parse(res->body).at("total").get<std::int64_t>();
            } else {
                total = recordingIndex::list(database->connection(), filter).total;
            }
            times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        }
        state.SetIterationTime(p95(times));
        state.counters["total"] = static_cast<double>(total);
    }
}

RecordingFilter firstPage() {
    RecordingFilter filter;
    filter.limit = 50;
    return filter;
}

RecordingFilter filteredPage() {
    RecordingFilter filter = firstPage();
    filter.depot = "depot-7";
    filter.driver = "運転者-347";
    filter.from = "2026-03-01";
    filter.to = "2026-09-30";
    return filter;
}

const std::string filteredQuery = "?limit=50&depot=depot-7&driver=%E9%81%8B%E8%BB%A2%E8%80%85-347"
                                  "&from=2026-03-01&to=2026-09-30";

void BM_FirstPageDatabase(benchmark::State& state) { listPages(state, "", firstPage(), false); }
void BM_FirstPageServer(benchmark::State& state) { listPages(state, "?limit=50", firstPage(), true); }
void BM_FilteredPageDatabase(benchmark::State& state) {
    listPages(state, "", filteredPage(), false);
}
void BM_FilteredPageServer(benchmark::State& state) {
    listPages(state, filteredQuery, filteredPage(), true);
}
BENCHMARK(BM_FirstPageDatabase)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FirstPageServer)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FilteredPageDatabase)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FilteredPageServer)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// 50 clients, each on its own connection, fetching frames round the recording for a few
// seconds; the time is the wall time per frame fetched.
double fetchFrames(benchmark::State& state, int port, const std::function<std::string(std::size_t)>& path,
                   const httplib::Headers& headers, std::size_t frames) {
    std::atomic<std::uint64_t> fetched{0};
    std::atomic<std::uint64_t> bytes{0};
    std::atomic<bool> failed{false};
    std::vector<std::thread> clients;
    clients.reserve(frameClients);
    const auto start = Clock::now();
    for (int k = 0; k < frameClients; ++k) {
        clients.emplace_back([&, k] {
            httplib::Client c("127.0.0.1", port);
            c.set_keep_alive(true);
            for (std::size_t i = static_cast<std::size_t>(k) * 17; Clock::now() - start < frameRun; ++i) {
                const auto res = c.Get(path(i % frames), headers);
                if (!res || res->status != 200) {
                    failed = true;
                    return;
                }
                ++fetched;
                bytes += res->body.size();
            }
        });
    }
    for (std::thread& t : clients) {
        t.join();
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (failed || fetched == 0) {
        state.SkipWithError("a frame was not served");
        return 0;
    }
    state.counters["frames_per_s"] = static_cast<double>(fetched) / seconds;
    state.counters["MB_per_s"] = static_cast<double>(bytes) / seconds / 1e6;
    return seconds / static_cast<double>(fetched);
}

void BM_FramesServer(benchmark::State& state) {
    if (!ready(state)) {
        return;
    }
    Fleet& f = fleet();
    for (auto _ : state) {
        const double perFrame = fetchFrames(
            state, f.port,
            [&f](std::size_t i) {
                return "/api/v1/recordings/" + f.sampleSha + "/frames/" + std::to_string(i);
            },
            {{"Cookie", f.cookie}}, f.sampleFrames);
        state.SetIterationTime(perFrame);
    }
}

// nginx with the sample's frames as files, on a port of its own, for the life of the run.
struct Nginx {
    fs::path folder;
    std::unique_ptr<Child> process;
    int port = 0;
    std::string problem;

    Nginx() {
        Fleet& f = fleet();
        const fs::path binary = "/usr/sbin/nginx";
        if (!fs::exists(binary)) {
            problem = "nginx is not installed (apt-get install nginx-light)";
            return;
        }
        folder = f.folder / "nginx";
        fs::create_directories(folder / "www" / "frames");
        fs::create_directories(folder / "logs");
        httplib::Client c = f.client();
        for (std::size_t i = 0; i < f.sampleFrames; ++i) {
            const auto res = c.Get("/api/v1/recordings/" + f.sampleSha + "/frames/" + std::to_string(i),
                                   {{"Cookie", f.cookie}});
            if (!res || res->status != 200) {
                problem = "a frame could not be fetched for nginx";
                return;
            }
            std::ofstream(folder / "www" / "frames" / std::to_string(i), std::ios::binary) << res->body;
        }
        port = freePort();
        std::ofstream(folder / "nginx.conf")
            << "worker_processes auto;\npid " << (folder / "nginx.pid").string()
            << ";\nerror_log " << (folder / "logs" / "error.log").string()
            << ";\nevents { worker_connections 1024; }\nhttp {\n access_log off;\n"
               " client_body_temp_path " << (folder / "logs").string()
            << ";\n server {\n  listen 127.0.0.1:" << port << ";\n  root "
            << (folder / "www").string()
            << ";\n  default_type image/jpeg;\n  etag on;\n  add_header Cache-Control "
               "\"private, max-age=31536000, immutable\";\n }\n}\n";
        process = std::make_unique<Child>(
            std::vector<std::string>{binary.string(), "-p", folder.string(), "-c",
                                     (folder / "nginx.conf").string(), "-g", "daemon off;"},
            (folder / "logs" / "stderr.log").string());
        if (!answers(port, "/frames/0", std::chrono::seconds(10))) {
            problem = "nginx did not start (see " + (folder / "logs").string() + ")";
        }
    }
};

void BM_FramesNginx(benchmark::State& state) {
    if (!ready(state)) {
        return;
    }
    static Nginx nginx;
    if (!nginx.problem.empty()) {
        state.SkipWithError(nginx.problem.c_str());
        return;
    }
    for (auto _ : state) {
        const double perFrame = fetchFrames(
            state, nginx.port, [](std::size_t i) { return "/frames/" + std::to_string(i); }, {},
            fleet().sampleFrames);
        state.SetIterationTime(perFrame);
    }
}
BENCHMARK(BM_FramesNginx)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(2);
BENCHMARK(BM_FramesServer)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(2);

// Resident memory idle, then the peak while 50 clients download the sample's file at once.
void BM_ServerMemory(benchmark::State& state) {
    if (!ready(state)) {
        return;
    }
    Fleet& f = fleet();
    for (auto _ : state) {
        const long idle = f.server->memoryKb("VmRSS");
        std::vector<std::thread> clients;
        clients.reserve(frameClients);
        std::atomic<bool> failed{false};
        std::atomic<int> finished{0};
        const auto start = Clock::now();
        for (int k = 0; k < frameClients; ++k) {
            clients.emplace_back([&f, &failed, &finished] {
                httplib::Client c = f.client();
                std::uint64_t received = 0;
                const auto res = c.Get("/api/v1/recordings/" + f.sampleSha + "/file",
                                       {{"Cookie", f.cookie}},
                                       [&received](const char*, std::size_t length) {
                                           received += length;
                                           return true;
                                       });
                if (!res || res->status != 200 || received == 0) {
                    failed = true;
                }
                ++finished;
            });
        }
        long peak = idle;
        while (finished < frameClients) {
            peak = std::max(peak, f.server->memoryKb("VmRSS"));
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        for (std::thread& t : clients) {
            t.join();
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (failed) {
            state.SkipWithError("a download failed");
            return;
        }
        state.counters["idle_MB"] = static_cast<double>(idle) / 1024;
        state.counters["peak_MB"] = static_cast<double>(peak) / 1024;
    }
}
BENCHMARK(BM_ServerMemory)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

// A recording of about 200 MB, changed a little before each run so that each upload is new.
struct BigRecording {
    fs::path path;
    std::string problem;
    BigRecording() {
        path = fleet().folder / "big" / "halcjpeg.dat";
        fs::create_directories(path.parent_path());
        try {
            const auto pictures = scale::pictures(7, 320, 240);
            scale::writeRecording(path.string(), scale::framesForSize(pictures, std::uint64_t{200} << 20),
                                  pictures);
        } catch (...) {
            problem = "the 200 MB recording could not be written";
        }
    }
    // Another picture byte inside the last frame's JPEG data (before its end marker).
    void vary(int round) const {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(-200, std::ios::end);
        const char byte = static_cast<char>(0x10 + round % 64);
        file.write(&byte, 1);
    }
};

const BigRecording& bigRecording() {
    static const BigRecording shared;
    return shared;
}

void BM_UploadCopyAndDigest(benchmark::State& state) {
    if (!ready(state) || !bigRecording().problem.empty()) {
        state.SkipWithError(bigRecording().problem.c_str());
        return;
    }
    const std::string source = bigRecording().path.string();
    const std::string copy = (fleet().folder / "big" / "copy.dat").string();
    for (auto _ : state) {
        const ProcessRun run = runProcess(
            {"/bin/sh", "-c", "cp \"$1\" \"$2\" && sha256sum \"$1\" \"$2\"", "sh", source, copy});
        if (!run.succeeded) {
            state.SkipWithError("cp or sha256sum failed");
            return;
        }
        state.SetIterationTime(run.seconds);
        std::error_code ignored;
        fs::remove(copy, ignored);
    }
}

void BM_UploadServer(benchmark::State& state) {
    if (!ready(state) || !bigRecording().problem.empty()) {
        state.SkipWithError(bigRecording().problem.c_str());
        return;
    }
    Fleet& f = fleet();
    const BigRecording& big = bigRecording();
    int round = 0;
    for (auto _ : state) {
        big.vary(++round);
        std::string error;
        const std::string sha = Sha256::ofFile(big.path.string(), error).value_or("");
        const auto size = fs::file_size(big.path);
        httplib::Client c = f.client();
        std::ifstream in(big.path, std::ios::binary);
        const auto start = Clock::now();
        const auto res = c.Post(
            "/api/v1/recordings",
            {{"Cookie", f.cookie}, {"X-CSRF-Token", f.csrf}, {"X-Filename", "halcjpeg.dat"},
             {"X-Sha256", sha}},
            size,
            [&in](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                std::vector<char> buffer(std::min<std::size_t>(length, 1 << 20));
                in.seekg(static_cast<std::streamoff>(offset));
                in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
                return sink.write(buffer.data(), static_cast<std::size_t>(in.gcount()));
            },
            "application/octet-stream");
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (!res || res->status != 201) {
            state.SkipWithError(("the upload was not imported: " +
                                 (res ? std::to_string(res->status) + " " + res->body : "no answer"))
                                    .c_str());
            return;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_UploadCopyAndDigest)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_UploadServer)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios("BM_FirstPageDatabase", {"BM_FirstPageServer"});
    reporter.printRatios("BM_FilteredPageDatabase", {"BM_FilteredPageServer"});
    reporter.printRatios("BM_FramesNginx", {"BM_FramesServer"});
    reporter.printRatios("BM_UploadCopyAndDigest", {"BM_UploadServer"});
    benchmark::Shutdown();
    return 0;
}
