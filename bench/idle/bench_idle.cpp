// Idle cost of the real program: qelt runs on a demo folder (WAV and OGG chimes, and an
// MP3 item added here) whose first item is ten minutes away, on an Xvfb display of its
// own with a tray host (trayer) when one is installed, and is measured from outside
// through /proc: time to the first painted main window, then CPU share, resident memory
// and thread wake-ups (context switches) while it only keeps time with its window shown,
// then the wake-ups again while it is hidden in the tray. The start-up is measured on a
// GStreamer registry of the bench's own, once while it is built and once when it exists.
//
// The bench finds qelt and qelt-tool in its own folder or in ../bin. BENCH_IDLE_SECONDS
// shortens the 120-second windows while developing.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_media.h"
#include "bench_process.h"
#include "schedule/records.h"
#include "schedule/timetable.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kDefaultIdleSeconds = 120;
// The demo's first item is ten minutes away; the window must end before it rings.
constexpr int kMaxIdleSeconds = 540;
constexpr const char* kDemoSpacingMinutes = "10";
constexpr auto kStartPoll = std::chrono::milliseconds(2);
constexpr auto kStartTimeout = std::chrono::seconds(60);
constexpr auto kDisplayTimeout = std::chrono::seconds(10);
constexpr auto kExitTimeout = std::chrono::seconds(10);
// Start-up work that outlasts the first paint (plug-in scan, audio set-up) is not idling.
constexpr auto kSettle = std::chrono::seconds(2);
constexpr double kKbPerMb = 1024.0;
// The MP3 item rings half an hour from now, after the demo's items.
constexpr int kMp3ItemDelaySeconds = 30 * 60;
constexpr int kMp3Seconds = 3;
constexpr const char* kDemoTimetable = "作息表/参考作息表.zxb";
constexpr const char* kMp3File = "音乐库/课间铃.mp3";
constexpr const char* kWindowName = "Varnel V1.3";
constexpr auto kTrayWait = std::chrono::seconds(1);
constexpr auto kHideTimeout = std::chrono::seconds(5);

// This process's environment with the given variables replaced or added.
std::vector<std::string> Environment(const std::vector<std::pair<std::string, std::string>>& set) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        bool replaced = false;
        for (const auto& [name, value] : set) {
            replaced = replaced || text.rfind(name + "=", 0) == 0;
        }
        if (!replaced) {
            result.push_back(text);
        }
    }
    for (const auto& [name, value] : set) {
        result.push_back(name);
        result.back().append("=").append(value);
    }
    return result;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    pointers.reserve(texts.size() + 1);
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// Starts a program with its output in logPath and, when keepFd is not -1, that
// descriptor left open as descriptor 3. 0 when it could not be started.
pid_t Spawn(std::vector<std::string> argv, std::vector<std::string> env, const std::string& logPath,
            int keepFd = -1) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    if (keepFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, keepFd, 3);
    }
    auto args = Pointers(argv);
    auto envp = Pointers(env);
    pid_t pid = 0;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0) {
        pid = 0;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Asks the process to end, waits a bounded time, and kills it when it is still there.
void Stop(pid_t pid) {
    if (pid <= 0) {
        return;
    }
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

// Xvfb on the first free display; its number, or nothing.
std::optional<std::string> StartXvfb(const std::string& logPath, pid_t& pid) {
    int fds[2];
    if (pipe(fds) != 0) {
        return std::nullopt;
    }
    pid = Spawn(
        {"/usr/bin/Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"},
        Environment({}), logPath, fds[1]);
    close(fds[1]);
    std::string number;
    const auto deadline = Clock::now() + kDisplayTimeout;
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    while (pid > 0 && Clock::now() < deadline) {
        char c = 0;
        const ssize_t got = read(fds[0], &c, 1);
        if (got == 1 && c == '\n') {
            break;
        }
        if (got == 1) {
            number.push_back(c);
        } else if (got == 0) {
            break;
        } else {
            std::this_thread::sleep_for(kStartPoll);
        }
    }
    close(fds[0]);
    if (number.empty()) {
        Stop(pid);
        pid = 0;
        return std::nullopt;
    }
    return ":" + number;
}

bool LogHasStart(const std::string& path) {
    std::ifstream log(path);
    std::string line;
    while (std::getline(log, line)) {
        // "YYYY-MM-DD HH:MM:SS start"
        if (line.size() >= 25 && line.compare(20, 5, "start") == 0 &&
            (line.size() == 25 || line[25] == ' ')) {
            return true;
        }
    }
    return false;
}

// utime + stime of the process, in clock ticks.
std::optional<long long> CpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text)) {
        return std::nullopt;
    }
    // The command name may hold blanks; the fields after it start past the last ')'.
    const auto close = text.rfind(')');
    if (close == std::string::npos) {
        return std::nullopt;
    }
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long long utime = 0;
    long long stime = 0;
    // State is field 3; utime and stime are fields 14 and 15.
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14) {
            utime = std::stoll(field);
        } else if (index == 15) {
            stime = std::stoll(field);
        }
    }
    return utime + stime;
}

// A "Key:  value" number of a status file, or -1.
long long StatusValue(const fs::path& path, const std::string& key) {
    std::ifstream status(path);
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key + ":", 0) == 0) {
            return std::stoll(line.substr(key.size() + 1));
        }
    }
    return -1;
}

// Voluntary and involuntary context switches of each of the process's threads, by id.
std::map<std::string, long long> ContextSwitches(pid_t pid) {
    std::map<std::string, long long> switches;
    std::error_code error;
    for (const auto& task :
         fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        long long total = 0;
        for (const char* key : {"voluntary_ctxt_switches", "nonvoluntary_ctxt_switches"}) {
            total += std::max(0LL, StatusValue(task.path() / "status", key));
        }
        switches[task.path().filename().string()] = total;
    }
    return switches;
}

// The switches between two readings: of threads alive at both, the difference; of
// threads started in between, all of theirs (a thread that ended takes its count along).
long long SwitchesBetween(const std::map<std::string, long long>& before,
                          const std::map<std::string, long long>& after) {
    long long total = 0;
    for (const auto& [thread, count] : after) {
        const auto earlier = before.find(thread);
        total += earlier != before.end() ? std::max(0LL, count - earlier->second) : count;
    }
    return total;
}

// Adds a single MP3 item to every day of the demo's timetable, so the day plays WAV, OGG
// and MP3 files.
bool AddMp3Item(const std::string& folder) {
    if (!bench::MakeAudio(folder + "/" + kMp3File, "cbr", kMp3Seconds)) {
        return false;
    }
    schedule::CTimetable timetable;
    const std::string path = folder + "/" + kDemoTimetable;
    if (!timetable.Load(path, false)) {
        return false;
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    schedule::ScheduleItem item;
    item.time = (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec + kMp3ItemDelaySeconds) %
                schedule::kSecondsPerDay;
    item.kind = schedule::SingleMusic;
    item.title = "课间铃";
    item.musicName = "课间铃";
    item.path = kMp3File;
    for (int day = 0; day < schedule::kDaysPerWeek; ++day) {
        timetable.AddItem(day, &item);
    }
    return timetable.Save(path);
}

// Runs a command and waits for it; its exit code, or -1.
int RunAndWait(std::vector<std::string> argv, std::vector<std::string> env,
               const std::string& log) {
    const pid_t pid = Spawn(std::move(argv), std::move(env), log);
    int status = 0;
    if (pid <= 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

// What one idle window of the running program cost.
struct IdleFigures {
    bool ok = false;
    double cpuPercent = 0;
    double wakeupsPerSecond = 0;
    double rssMb = 0;
};

bool Alive(pid_t pid);

IdleFigures MeasureIdle(pid_t pid, int seconds) {
    IdleFigures figures;
    const auto cpuBefore = CpuTicks(pid);
    const auto switchesBefore = ContextSwitches(pid);
    const auto windowStart = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const auto cpuAfter = CpuTicks(pid);
    const auto switchesAfter = ContextSwitches(pid);
    const double elapsed = std::chrono::duration<double>(Clock::now() - windowStart).count();
    const long long rssKb = StatusValue("/proc/" + std::to_string(pid) + "/status", "VmRSS");
    if (cpuBefore && cpuAfter && rssKb >= 0 && Alive(pid)) {
        const double cpuSeconds =
            static_cast<double>(*cpuAfter - *cpuBefore) / static_cast<double>(sysconf(_SC_CLK_TCK));
        figures.ok = true;
        figures.cpuPercent = 100.0 * cpuSeconds / elapsed;
        figures.wakeupsPerSecond =
            static_cast<double>(SwitchesBetween(switchesBefore, switchesAfter)) / elapsed;
        figures.rssMb = static_cast<double>(rssKb) / kKbPerMb;
    }
    return figures;
}

// Starts qelt and waits for its first painted window; the time it took, or nothing.
std::optional<double> StartQelt(const fs::path& qelt, const std::string& folder,
                                const std::vector<std::string>& env, const std::string& events,
                                const std::string& log, pid_t& pid) {
    std::error_code ignored;
    fs::remove(events, ignored);
    const auto launched = Clock::now();
    pid = Spawn({qelt.string(), "--dir", folder}, env, log);
    while (pid > 0 && Clock::now() - launched < kStartTimeout && Alive(pid)) {
        if (LogHasStart(events)) {
            return std::chrono::duration<double, std::milli>(Clock::now() - launched).count();
        }
        std::this_thread::sleep_for(kStartPoll);
    }
    return std::nullopt;
}

// Hides the main window into the tray with its menu command (查看 → 隐藏主界面), as a
// user would; true once no window of that name is visible.
bool HideIntoTray(const std::vector<std::string>& env, const std::string& log) {
    const std::string script = std::string("w=$(xdotool search --onlyvisible --name '") +
                               kWindowName +
                               "' | head -n1) && [ -n \"$w\" ] && xdotool windowfocus --sync "
                               "\"$w\" && sleep 0.3 && xdotool key --window \"$w\" alt+v && "
                               "sleep 0.3 && xdotool key h";
    if (RunAndWait({"/bin/sh", "-c", script}, env, log) != 0) {
        return false;
    }
    const auto deadline = Clock::now() + kHideTimeout;
    const std::string check =
        std::string("! xdotool search --onlyvisible --name '") + kWindowName + "' >/dev/null";
    while (Clock::now() < deadline) {
        if (RunAndWait({"/bin/sh", "-c", check}, env, log) == 0) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

bool OnPath(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

int IdleSeconds() {
    const char* text = std::getenv("BENCH_IDLE_SECONDS");
    if (text == nullptr || *text == '\0') {
        return kDefaultIdleSeconds;
    }
    const int seconds = std::atoi(text);
    return std::clamp(seconds, 1, kMaxIdleSeconds);
}

// True while the child runs; it is not reaped here, so Stop still finds it.
bool Alive(pid_t pid) {
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
}

int Run() {
    const auto qelt = bench::FindExecutable("qelt");
    const auto tool = bench::FindExecutable("qelt-tool");
    if (!qelt || !tool) {
        std::printf("bench_idle: qelt or qelt-tool not found beside the bench; skipped\n");
        return 0;
    }
    bench::TempFolder temp;
    if (!temp.Ok()) {
        std::printf("bench_idle: no temporary folder; skipped\n");
        return 0;
    }
    const std::string folder = temp.File("program");
    const std::string log = temp.File("output.log");
    const std::string events = temp.File("events.log");
    for (const char* sub : {"home", "config", "runtime"}) {
        fs::create_directories(temp.File(sub));
    }
    fs::permissions(temp.File("runtime"), fs::perms::owner_all, fs::perm_options::replace);

    if (RunAndWait({tool->string(), "demo", folder, "--in", kDemoSpacingMinutes}, Environment({}),
                   log) != 0) {
        std::printf("bench_idle: qelt-tool demo failed (see %s); skipped\n", log.c_str());
        return 0;
    }
    if (!AddMp3Item(folder)) {
        std::printf("bench_idle: the MP3 item could not be added (see %s); skipped\n", log.c_str());
        return 0;
    }

    pid_t xvfb = 0;
    const auto display = StartXvfb(temp.File("xvfb.log"), xvfb);
    if (!display) {
        std::printf("bench_idle: Xvfb did not start; skipped\n");
        return 0;
    }
    // Nothing reaches the real user's settings, sound card or power button.
    const std::vector<std::pair<std::string, std::string>> variables = {
        {"DISPLAY", *display},
        {"QT_QPA_PLATFORM", "xcb"},
        {"QELT_AUDIO_SINK", "fakesink sync=true"},
        {"QELT_NO_POWEROFF", "1"},
        {"QELT_EVENT_LOG", events},
        {"HOME", temp.File("home")},
        {"XDG_CONFIG_HOME", temp.File("config")},
        {"XDG_RUNTIME_DIR", temp.File("runtime")},
        // A registry of the bench's own: built by the first start, used by the second.
        {"GST_REGISTRY", temp.File("gst-registry.bin")}};
    const auto env = Environment(variables);

    // A tray host, so that the window can hide into the tray as on a desktop.
    pid_t tray = 0;
    if (OnPath("trayer") && OnPath("xdotool")) {
        tray = Spawn({"/usr/bin/trayer", "--edge", "bottom", "--widthtype", "request"}, env,
                     temp.File("tray.log"));
        std::this_thread::sleep_for(kTrayWait);
    }

    // The first start builds the GStreamer registry, as the first start after an update
    // of the plug-ins does; the second is the start of every day.
    pid_t pid = 0;
    const auto freshMs = StartQelt(*qelt, folder, env, events, log, pid);
    Stop(pid);
    pid = 0;
    const auto startupMs = freshMs ? StartQelt(*qelt, folder, env, events, log, pid) : freshMs;
    if (!startupMs) {
        std::printf("bench_idle: qelt did not report its first paint (see %s)\n", log.c_str());
        Stop(pid);
        Stop(tray);
        Stop(xvfb);
        return 0;
    }
    std::printf("BENCH startup_ms %.1f ms\n", *startupMs);
    std::printf("BENCH startup_fresh_registry_ms %.1f ms\n", *freshMs);
    std::fflush(stdout);

    const int seconds = IdleSeconds();
    std::this_thread::sleep_for(kSettle);
    const IdleFigures shown = MeasureIdle(pid, seconds);
    if (!shown.ok) {
        std::printf("bench_idle: qelt ended during the idle window (see %s)\n", log.c_str());
        Stop(pid);
        Stop(tray);
        Stop(xvfb);
        return 0;
    }
    std::printf("BENCH idle_cpu_percent %.3f %%\n", shown.cpuPercent);
    std::printf("BENCH idle_rss_mb %.1f MB\n", shown.rssMb);
    std::printf("BENCH idle_wakeups_per_s %.2f /s\n", shown.wakeupsPerSecond);
    std::fflush(stdout);

    if (tray <= 0) {
        std::printf(
            "bench_idle: idle_hidden_wakeups_per_s skipped: no tray host (install "
            "trayer) or no xdotool\n");
    } else if (!HideIntoTray(env, log)) {
        std::printf(
            "bench_idle: idle_hidden_wakeups_per_s skipped: the window did not hide "
            "into the tray\n");
    } else {
        std::this_thread::sleep_for(kSettle);
        const IdleFigures hidden = MeasureIdle(pid, seconds);
        if (hidden.ok) {
            std::printf("BENCH idle_hidden_wakeups_per_s %.2f /s\n", hidden.wakeupsPerSecond);
            std::printf("BENCH idle_hidden_cpu_percent %.3f %%\n", hidden.cpuPercent);
            std::printf("BENCH idle_hidden_rss_mb %.1f MB\n", hidden.rssMb);
        }
    }
    std::printf("bench_idle: %d s windows\n", seconds);
    std::fflush(stdout);
    Stop(pid);
    Stop(tray);
    Stop(xvfb);
    return 0;
}

}  // namespace

int main() {
    return Run();
}
