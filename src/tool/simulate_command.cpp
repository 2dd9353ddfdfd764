// qelt-tool simulate: runs the scheduling engine on a program folder exactly as start-up
// would, on a virtual clock, and prints what it does second by second. Tracks play in
// virtual time for their real lengths; programs and the power-off are only reported.

#include <algorithm>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "engine/schedule_engine.h"
#include "platform/power_control.h"
#include "platform/virtual_clock.h"
#include "player/fake_audio_system.h"
#include "player/gst_audio_system.h"
#include "player/headless_player.h"
#include "schedule/model.h"
#include "schedule/settings.h"
#include "tool/tool_args.h"
#include "tool/tool_commands.h"

namespace tool {

namespace {

using platform::VirtualClock;

constexpr std::int64_t kMsPerSecond = 1000;
constexpr int kPlayerTimerMs = player::CPlaybackEngine::kTickIntervalMs;
constexpr int kMaxJitterMs = 3600 * 1000;
constexpr const char* kTimetableFolder = "作息表";
constexpr const char* kCommonTrackFile = "M2list.dat";
constexpr const char* kPlaylistFile = "Mlist.dat";

struct Jump {
    std::int64_t fromMs = 0;
    std::int64_t toMs = 0;
    bool done = false;
};

struct Options {
    std::string dir;
    std::int64_t fromMs = 0;
    std::int64_t toMs = 0;
    int jitterMs = 0;
    std::uint32_t seed = 1;
    std::vector<Jump> jumps;
};

void PrintSimulateUsage() {
    std::cerr << "usage: qelt-tool simulate DIR --from \"YYYY-MM-DD HH:MM:SS\" --to \"YYYY-MM-DD "
                 "HH:MM:SS\" [--jitter-ms N] [--seed S] [--jump \"TIME=TIME\"]...\n";
}

std::optional<std::int64_t> ParseTime(const std::string& text) {
    const auto time = VirtualClock::Parse(text);
    if (!time) {
        return std::nullopt;
    }
    return VirtualClock::ToMilliseconds(*time);
}

std::optional<long long> ParseNumber(const std::string& text, long long low, long long high) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
        text.size() > 12) {
        return std::nullopt;
    }
    const long long value = std::stoll(text);
    if (value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

// Fills options; an error text when the arguments are not usable.
std::string ParseOptions(const Args& args, Options& options) {
    bool haveFrom = false;
    bool haveTo = false;
    const auto read = [&](const std::string& option, const std::string& value) {
        if (option == "--from" || option == "--to") {
            const auto time = ParseTime(value);
            if (!time) {
                return "not a time: " + value;
            }
            (option == "--from" ? options.fromMs : options.toMs) = *time;
            (option == "--from" ? haveFrom : haveTo) = true;
        } else if (option == "--jitter-ms") {
            const auto jitter = ParseNumber(value, 0, kMaxJitterMs);
            if (!jitter) {
                return "not a jitter in ms: " + value;
            }
            options.jitterMs = static_cast<int>(*jitter);
        } else if (option == "--seed") {
            const auto seed = ParseNumber(value, 0, 0xFFFFFFFFLL);
            if (!seed) {
                return "not a seed: " + value;
            }
            options.seed = static_cast<std::uint32_t>(*seed);
        } else {  // --jump
            const auto equals = value.find('=');
            const auto from =
                equals == std::string::npos ? std::nullopt : ParseTime(value.substr(0, equals));
            const auto to =
                equals == std::string::npos ? std::nullopt : ParseTime(value.substr(equals + 1));
            if (!from || !to) {
                return "not a jump TIME=TIME: " + value;
            }
            options.jumps.push_back(Jump{*from, *to, false});
        }
        return std::string();
    };
    std::string error = ReadFolderArgs(args, options.dir, {},
                                       {"--from", "--to", "--jitter-ms", "--seed", "--jump"}, read);
    if (!error.empty()) {
        return error;
    }
    if (options.dir.empty() || !haveFrom || !haveTo) {
        return "DIR, --from and --to are needed";
    }
    if (options.toMs < options.fromMs) {
        return "--to lies before --from";
    }
    return std::string();
}

// One line per event, stamped with the virtual wall clock.
class Printer {
public:
    explicit Printer(const VirtualClock& clock) : m_Clock(clock) {}
    void Line(const std::string& kind, const std::string& text = std::string()) {
        std::cout << VirtualClock::Format(m_Clock.Now()) << ' ' << kind;
        if (!text.empty()) {
            std::cout << ' ' << text;
        }
        std::cout << '\n';
    }

private:
    const VirtualClock& m_Clock;
};

class SimulatedHost : public engine::IEngineHost {
public:
    explicit SimulatedHost(Printer& printer) : m_Printer(printer) {}
    void SetStatusText(const std::string& text) override {
        if (text != m_strStatus) {
            m_strStatus = text;
            m_Printer.Line("status", text);
        }
    }
    void ShowNotice(const std::string& text) override {
        if (!text.empty()) {
            m_Printer.Line("notice", text);
        }
    }
    void LogEvent(const std::string& kind, const std::string& text) override {
        m_Printer.Line(kind, text);
    }
    void SetPendingItem(const schedule::ScheduleItem*) override {}
    void SetTimetableTitle(const std::string&) override {}
    void SetHoliday(bool) override {}
    void RebuildList(const std::vector<schedule::ScheduleItem>&, int) override {}
    void MarkNext(int) override {}
    int GetSelectedRow() const override { return -1; }
    void ShowNotifier(const std::string& text, int, int, int) override {
        m_Printer.Line("notify", text);
    }
    bool IsPlayerVisible() const override { return m_bPlayerVisible; }
    void ShowPlayer() override { m_bPlayerVisible = true; }
    void HidePlayer() override { m_bPlayerVisible = false; }
    void TrimMemory() override {}

private:
    Printer& m_Printer;
    std::string m_strStatus;
    bool m_bPlayerVisible = false;
};

class ReportedPowerControl : public platform::PowerControl {
public:
    explicit ReportedPowerControl(Printer& printer) : m_Printer(printer) {}
    void RequestPowerOff() override {
        m_Printer.Line("poweroff");
        m_bRequested = true;
    }
    platform::PowerOffState PowerOffStatus() override {
        return m_bRequested ? platform::PowerOffState::Accepted : platform::PowerOffState::None;
    }
    bool Requested() const { return m_bRequested; }

private:
    Printer& m_Printer;
    bool m_bRequested = false;
};

class StderrReporter : public schedule::IMessageReporter {
public:
    void ShowError(const std::string& text, const std::string&, schedule::MessageOwner) override {
        std::cerr << "qelt-tool: " << text << '\n';
    }
};

// Real lengths for the fake audio system, measured once per file with GStreamer.
class LengthProbe {
public:
    int Length(const std::string& path) {
        const auto known = m_Lengths.find(path);
        if (known != m_Lengths.end()) {
            return known->second;
        }
        int length = -1;
        if (Ready()) {
            player::SoundHandle sound = player::kNoSound;
            std::uint32_t ms = 0;
            if (m_Gst->CreateStream(path, player::StreamMode::LengthOnly, 1.0f, &sound) ==
                player::AudioResult::Ok) {
                if (m_Gst->GetLength(sound, player::TimeUnit::Ms, &ms) == player::AudioResult::Ok &&
                    ms != player::kLengthUnknown && ms <= 0x7FFFFFFFu) {
                    length = static_cast<int>(ms);
                }
                m_Gst->Release(sound);
            }
        }
        m_Lengths[path] = length;
        return length;
    }

private:
    bool Ready() {
        if (!m_Gst) {
            m_Gst = std::make_unique<player::GstAudioSystem>();
            m_bReady =
                m_Gst->Create() == player::AudioResult::Ok &&
                m_Gst->Init(player::CPlaybackEngine::kMaxChannels) == player::AudioResult::Ok;
        }
        return m_bReady;
    }

    std::unique_ptr<player::GstAudioSystem> m_Gst;
    bool m_bReady = false;
    std::map<std::string, int> m_Lengths;
};

// The program's event loop in virtual time. Timers run on a monotonic time line; the
// wall clock is that time plus an offset that a jump changes, as setting the system
// clock does to a running program.
class Simulation {
public:
    explicit Simulation(const Options& options)
        : m_Options(options),
          m_Clock(VirtualClock::FromMilliseconds(options.fromMs)),
          m_Printer(m_Clock),
          m_Host(m_Printer),
          m_Power(m_Printer),
          m_Player(m_Audio, PlayerEvents()),
          m_Random(options.seed),
          m_AppDir(ProgramFolderPath(options.dir)),
          m_Settings(m_AppDir + schedule::ini::kFileName),
          m_Engine(
              m_Clock, m_Host, m_Player, m_Power,
              [this](const std::string& program, const std::string& params) {
                  m_Printer.Line("run", params.empty() ? program : program + " " + params);
                  return 0;
              },
              m_CommonTracks, m_Playlists, m_AppDir) {}

    void Run() {
        m_nOffset = m_Options.fromMs;
        m_Clock.SetMilliseconds(m_Options.fromMs);
        m_Audio.SetFallback([this](const std::string& path) { return m_Probe.Length(path); });
        StartUp();
        ArmTick();
        while (!m_Power.Requested()) {
            RunPosted();
            const std::int64_t next = NextEvent();
            if (next + m_nOffset > m_Options.toMs) {
                break;
            }
            AdvanceTo(next);
            Dispatch(next);
        }
        std::cout.flush();
    }

private:
    player::CHeadlessPlayer::Events PlayerEvents() {
        player::CHeadlessPlayer::Events events;
        events.trackStarted = [this](const std::string& path) { m_Printer.Line("play", path); };
        events.queueFinished = [this] {
            m_Printer.Line("finished");
            // The player posts its notice; the frame handles it after the player's call.
            m_Posted.push_back([this] { m_Engine.OnPlaybackEnded(); });
        };
        events.openFailed = [this](const std::string& path) { m_Printer.Line("openfailed", path); };
        events.progressTimer = [this](bool running) {
            m_nPlayerTimerDue = running ? m_nMono + kPlayerTimerMs : kNever;
        };
        return events;
    }

    // As the main frame's creation does: the stores, then the settings with the timetable.
    void StartUp() {
        m_CommonTracks.SetReporter(&m_Reporter);
        m_Playlists.SetReporter(&m_Reporter);
        m_Engine.m_Timetable.SetReporter(&m_Reporter);
        const std::string folder = m_AppDir + kTimetableFolder + "/";
        m_CommonTracks.Load(folder + kCommonTrackFile);
        m_Playlists.Load(folder + kPlaylistFile);
        m_Engine.LoadSettings(m_Settings);
    }

    std::int64_t Wall() const { return m_nMono + m_nOffset; }

    // The scheduler's timer: just after the next wall-clock second, late by the jitter.
    void ArmTick() {
        const std::int64_t intoSecond = ((Wall() % kMsPerSecond) + kMsPerSecond) % kMsPerSecond;
        std::int64_t delay = kMsPerSecond - intoSecond;
        if (m_Options.jitterMs > 0) {
            delay += static_cast<std::int64_t>(m_Random() %
                                               static_cast<std::uint32_t>(m_Options.jitterMs + 1));
        }
        m_nTickDue = m_nMono + delay;
    }

    // The monotonic time of the next thing to happen.
    std::int64_t NextEvent() const {
        std::int64_t next = m_nTickDue;
        if (m_nPlayerTimerDue != kNever) {
            next = std::min(next, m_nPlayerTimerDue);
        }
        for (const Jump& jump : m_Options.jumps) {
            if (!jump.done && jump.fromMs >= Wall()) {
                next = std::min(next, jump.fromMs - m_nOffset);
            }
        }
        return next;
    }

    void AdvanceTo(std::int64_t mono) {
        if (mono > m_nMono) {
            m_Audio.Advance(static_cast<int>(mono - m_nMono));
            m_nMono = mono;
        }
        m_Clock.SetMilliseconds(Wall());
    }

    void Dispatch(std::int64_t mono) {
        // A jump due now comes first: a tick at that moment already reads the new time.
        for (Jump& jump : m_Options.jumps) {
            if (!jump.done && jump.fromMs - m_nOffset == mono) {
                jump.done = true;
                m_nOffset = jump.toMs - m_nMono;
                m_Clock.SetMilliseconds(Wall());
                return;
            }
        }
        if (m_nPlayerTimerDue == mono) {
            m_nPlayerTimerDue = mono + kPlayerTimerMs;
            m_Player.UpdateStatus();
            return;
        }
        if (m_nTickDue == mono) {
            ArmTick();
            m_Engine.OnTick();
        }
    }

    void RunPosted() {
        while (!m_Posted.empty()) {
            auto call = std::move(m_Posted.front());
            m_Posted.pop_front();
            call();
        }
    }

    static constexpr std::int64_t kNever = INT64_MAX;

    Options m_Options;
    VirtualClock m_Clock;
    Printer m_Printer;
    SimulatedHost m_Host;
    ReportedPowerControl m_Power;
    StderrReporter m_Reporter;
    LengthProbe m_Probe;
    player::FakeAudioSystem m_Audio;
    player::CHeadlessPlayer m_Player;
    std::mt19937 m_Random;
    std::string m_AppDir;
    schedule::CSettings m_Settings;
    schedule::CCommonTrackStore m_CommonTracks;
    schedule::CPlaylistStore m_Playlists;
    engine::CScheduleEngine m_Engine;
    std::deque<std::function<void()>> m_Posted;
    std::int64_t m_nMono = 0;
    std::int64_t m_nOffset = 0;
    std::int64_t m_nTickDue = 0;
    std::int64_t m_nPlayerTimerDue = kNever;
};

}  // namespace

int RunSimulate(const Args& args) {
    Options options;
    const std::string error = ParseOptions(args, options);
    if (!error.empty()) {
        return ReportUsageError("simulate", error, PrintSimulateUsage);
    }
    if (!IsProgramFolder("simulate", options.dir)) {
        return kExitReadError;
    }
    Simulation simulation(options);
    simulation.Run();
    return kExitOk;
}

}  // namespace tool
