// How long an emergency broadcast takes from the command to sound: a headless qelt runs
// on a demo folder (its first item an hour away), and `qelt --emergency FILE` is run 20
// times; each time is measured from just before the command starts to the headless
// copy's "play FILE" line, which it prints once the stream plays. Each run is ended with
// --emergency-end before the next. The sink is QELT_AUDIO_SINK (fakesink by default).
//
// The bench finds qelt and qelt-tool in its own folder or in ../bin.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench_media.h"
#include "bench_process.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 20;
constexpr int kToneSeconds = 2;
constexpr auto kPoll = std::chrono::microseconds(200);
constexpr auto kLineTimeout = std::chrono::seconds(30);
constexpr auto kBetweenRuns = std::chrono::milliseconds(300);
constexpr auto kExitTimeout = std::chrono::seconds(10);

// Starts argv with standard output and error appended to logPath; 0 when it could not.
pid_t Spawn(std::vector<std::string> argv, const std::string& logPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (std::string& arg : argv) {
        args.push_back(arg.data());
    }
    args.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
        pid = 0;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int Run(const std::vector<std::string>& argv, const std::string& logPath) {
    const pid_t pid = Spawn(argv, logPath);
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status)
                                                                           : -1;
}

// Waits until the file holds more than `after` lines containing text; false on timeout.
bool WaitForLine(const std::string& path, const std::string& text, int after) {
    const auto deadline = Clock::now() + kLineTimeout;
    while (Clock::now() < deadline) {
        std::ifstream in(path);
        int found = 0;
        for (std::string line; std::getline(in, line);) {
            found += line.find(text) != std::string::npos ? 1 : 0;
        }
        if (found > after) {
            return true;
        }
        std::this_thread::sleep_for(kPoll);
    }
    return false;
}

int CountLines(const std::string& path, const std::string& text) {
    std::ifstream in(path);
    int found = 0;
    for (std::string line; std::getline(in, line);) {
        found += line.find(text) != std::string::npos ? 1 : 0;
    }
    return found;
}

void Stop(pid_t pid) {
    kill(pid, SIGTERM);
    const auto deadline = Clock::now() + kExitTimeout;
    while (Clock::now() < deadline) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

}  // namespace

int main() {
    const auto qelt = bench::FindExecutable("qelt");
    const auto tool = bench::FindExecutable("qelt-tool");
    bench::TempFolder folder;
    if (!qelt || !tool || !folder.Ok()) {
        std::fprintf(stderr, "bench_emergency: qelt, qelt-tool or a temporary folder missing\n");
        return 1;
    }
    // A runtime folder, configuration and no power-off of the bench's own; the sink plays
    // nothing unless the caller chose one.
    const std::string runtime = folder.File("runtime");
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    setenv("XDG_CONFIG_HOME", folder.File("config").c_str(), 1);
    setenv("QELT_NO_POWEROFF", "1", 1);
    setenv("QELT_AUDIO_SINK", "fakesink sync=true", 0);
    const std::string demo = folder.File("demo");
    const std::string log = folder.File("headless.out");
    const std::string tone = folder.File("alarm.wav");
    if (Run({tool->string(), "demo", demo, "--in", "60"}, folder.File("demo.out")) != 0 ||
        !bench::MakeAudio(tone, "wav", kToneSeconds)) {
        std::fprintf(stderr, "bench_emergency: the demo folder or the tone could not be made\n");
        return 1;
    }
    const pid_t headless = Spawn({qelt->string(), "--headless", "--dir", demo}, log);
    if (headless <= 0 || !WaitForLine(log, " next ", 0)) {
        std::fprintf(stderr, "bench_emergency: the headless copy did not start\n");
        Stop(headless);
        return 1;
    }
    std::vector<double> latencies;
    const std::string played = " play " + tone;
    for (int run = 0; run < kRuns; ++run) {
        const int before = CountLines(log, played);
        const int ends = CountLines(log, " emergency-end ");
        const auto start = Clock::now();
        const pid_t request = Spawn({qelt->string(), "--emergency", tone}, folder.File("req.out"));
        const bool sounded = WaitForLine(log, played, before);
        const auto sounding = Clock::now();
        int status = 0;
        waitpid(request, &status, 0);
        if (!sounded || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "bench_emergency: run %d did not sound\n", run);
            Stop(headless);
            return 1;
        }
        latencies.push_back(std::chrono::duration<double, std::milli>(sounding - start).count());
        Run({qelt->string(), "--emergency-end"}, folder.File("req.out"));
        WaitForLine(log, " emergency-end ", ends);
        std::this_thread::sleep_for(kBetweenRuns);
    }
    Stop(headless);

    std::sort(latencies.begin(), latencies.end());
    const auto rank = [&latencies](double share) {
        const auto index = static_cast<std::size_t>(share * static_cast<double>(latencies.size()));
        return latencies[std::min(index, latencies.size() - 1)];
    };
    std::printf("BENCH emergency_latency_median %.1f ms\n", rank(0.5));
    std::printf("BENCH emergency_latency_p99 %.1f ms\n", rank(0.99));
    std::printf("BENCH emergency_latency_max %.1f ms\n", latencies.back());
    return 0;
}
