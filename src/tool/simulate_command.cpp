// qelt-tool simulate: builds the day of a program folder through the bell session exactly
// as the program does, on a virtual clock, and prints what it does second by second.
// Tracks play in virtual time for their real lengths; programs and the power-off are
// only reported, and the folder's bell log is left alone.

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

#include "engine/event_log.h"
#include "platform/power_control.h"
#include "platform/virtual_clock.h"
#include "player/fake_audio_system.h"
#include "player/gst_audio_system.h"
#include "player/headless_player.h"
#include "schedule/model.h"
#include "session/bell_session.h"
#include "tool/tool_args.h"
#include "tool/tool_commands.h"

namespace tool {

namespace {

using platform::VirtualClock;

constexpr std::int64_t kMsPerSecond = 1000;
constexpr int kPlayerTimerMs = player::CPlaybackEngine::kTickIntervalMs;
constexpr int kMaxJitterMs = 3600 * 1000;

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

// The engine's host of the simulator: the session prints every event, so only the
// player's visibility is kept.
class SimulatedHost : public engine::IEngineHost {
public:
    void SetStatusText(const std::string&) override {}
    void ShowNotice(const std::string&) override {}
    void LogEvent(const std::string&, const std::string&) override {}
    void SetPendingItem(const schedule::ScheduleItem*) override {}
    void SetTimetableTitle(const std::string&) override {}
    void SetHoliday(bool) override {}
    void DayListChanged(const std::vector<schedule::ScheduleItem>&, int) override {}
    void NextRowChanged(int) override {}
    void ShowNotifier(const std::string&, int, int, int) override {}
    bool IsPlayerVisible() const override { return m_bPlayerVisible; }
    void ShowPlayer() override { m_bPlayerVisible = true; }
    void HidePlayer() override { m_bPlayerVisible = false; }
    void TrimMemory() override {}

private:
    bool m_bPlayerVisible = false;
};

// The power-off is only reported (by the session's log); it ends the simulation.
class ReportedPowerControl : public platform::PowerControl {
public:
    void RequestPowerOff() override { m_bRequested = true; }
    platform::PowerOffState PowerOffStatus() override {
        return m_bRequested ? platform::PowerOffState::Accepted : platform::PowerOffState::None;
    }
    bool Requested() const { return m_bRequested; }

private:
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

    // Why a text file could not be spoken; empty when it was.
    std::string SpeechFailure(const std::string& path) const { return m_Speech.FailureOf(path); }

private:
    bool Ready() {
        if (!m_Gst) {
            m_Gst = std::make_unique<player::GstAudioSystem>();
            m_Gst->SetSpeech(&m_Speech);
            m_bReady =
                m_Gst->Create() == player::AudioResult::Ok &&
                m_Gst->Init(player::CPlaybackEngine::kMaxChannels) == player::AudioResult::Ok;
        }
        return m_bReady;
    }

    player::CSpeechCache m_Speech{player::CSpeechCache::DefaultFolder()};
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
          m_Player(m_Audio, PlayerEvents()),
          m_Random(options.seed),
          m_Session(m_Clock, m_Host, SessionOptionsFor(ProgramFolderPath(options.dir))) {}

    void Run() {
        m_nOffset = m_Options.fromMs;
        m_Clock.SetMilliseconds(m_Options.fromMs);
        m_Audio.SetFallback([this](const std::string& path) { return m_Probe.Length(path); });
        // As the program's start-up does: the stores, then the settings with the timetable.
        m_Session.Start(m_Player);
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
    session::SessionOptions SessionOptionsFor(std::string appDir) {
        session::SessionOptions options;
        options.appDir = std::move(appDir);
        options.bellLog = false;
        options.loadPlugins = false;
        options.startTick = false;
        options.power = &m_Power;
        // Programs are reported, not run, and succeed.
        options.runProgram = [](const std::string&, const std::string&) { return 0; };
        options.reporter = &m_Reporter;
        options.echo = [](const std::string& line) { std::cout << line; };
        return options;
    }

    player::CHeadlessPlayer::Events PlayerEvents() {
        player::CHeadlessPlayer::Events events;
        events.trackStarted = [this](const std::string& path) { m_Session.LogTrackStarted(path); };
        events.queueFinished = [this] {
            // The player posts its notice; the program handles it after the player's call.
            m_Posted.push_back([this] { m_Session.OnPlaybackEnded(); });
        };
        events.openFailed = [this](const std::string& path) {
            m_Session.LogOpenFailed(path, m_Probe.SpeechFailure(path));
        };
        events.progressTimer = [this](bool running) {
            m_nPlayerTimerDue = running ? m_nMono + kPlayerTimerMs : kNever;
        };
        return events;
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
            m_Session.Tick();
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
    SimulatedHost m_Host;
    ReportedPowerControl m_Power;
    StderrReporter m_Reporter;
    LengthProbe m_Probe;
    player::FakeAudioSystem m_Audio;
    player::CHeadlessPlayer m_Player;
    std::mt19937 m_Random;
    session::CBellSession m_Session;
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
