// The bell session as the windows, the headless program and the simulator use it: a
// day built on a temporary program folder, a virtual clock and the engine's recording
// fakes, changed only through the session's operations.

#include "session/bell_session.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "../../ui/common/scripted_dialogs.h"
#include "../engine/engine_fakes.h"
#include "../engine/engine_test_fixture.h"
#include "engine/engine_texts.h"
#include "schedule/text_codec.h"
#include "schedule/timetable.h"
#include "session/timetable_commands.h"

namespace session_test {
namespace {

using engine_test::Hms;
using engine_test::kMonday;
using engine_test::Single;
using engine_test::Time;
using schedule::ScheduleItem;
using session::CBellSession;
using session::OptionKeys;
using session::SessionOptions;
using session::ViewOptions;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::vector<std::string> LinesWith(const std::string& text, const std::string& part) {
    std::vector<std::string> found;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.find(part) != std::string::npos) {
            found.push_back(line);
        }
    }
    return found;
}

class BellSessionTest : public ::testing::Test {
protected:
    BellSessionTest()
        : m_Dir(MakeDir()),
          clock(Time(7, 7, 0, 0)),
          log(clock),
          host(log),
          player(log),
          power(log),
          session(clock, host, MakeOptions()) {
        std::filesystem::create_directories(m_Dir + "/作息表");
    }
    ~BellSessionTest() override { std::filesystem::remove_all(m_Dir); }

    std::string AppDir() const { return m_Dir + "/"; }

    // The current timetable of the settings holding these Monday items.
    void WriteTimetable(const std::vector<ScheduleItem>& monday) {
        schedule::CTimetable timetable;
        timetable.SetTitle("测试作息表");
        for (const ScheduleItem& item : monday) {
            timetable.AddItem(kMonday, &item);
        }
        ASSERT_TRUE(timetable.Save(AppDir() + "作息表/参考作息表.zxb"));
    }

    void TickThrough(int h, int m, int s) {
        const std::int64_t end = platform::VirtualClock::ToMilliseconds(Time(7, h, m, s));
        while (clock.Milliseconds() + 1000 <= end) {
            clock.Advance(1000);
            session.Tick();
        }
    }

    std::string BellLog() const { return ReadFile(AppDir() + "QELT.log"); }

private:
    static std::string MakeDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "qelt-session-XXXXXX").string();
        const char* made = mkdtemp(pattern.data());
        return made != nullptr ? std::string(made) : std::string();
    }

    SessionOptions MakeOptions() {
        SessionOptions options;
        options.appDir = AppDir();
        options.loadPlugins = false;
        options.startTick = false;
        options.power = &power;
        options.clockSync = &clockSync;
        options.runProgram = [this](const std::string& program, const std::string& params) {
            log.Add("ran " + program + " " + params);
            return 0;
        };
        return options;
    }

    std::string m_Dir;

protected:
    platform::VirtualClock clock;
    engine_test::EventLog log;
    engine_test::FakeHost host;
    engine_test::FakePlayer player;
    engine_test::FakePower power;
    // Answers at once with its state; Unknown says nothing.
    struct FakeClockSync : platform::ClockSync {
        void Ask(std::function<void(platform::ClockSyncState)> answer) override {
            ++asked;
            answer(state);
        }
        platform::ClockSyncState state = platform::ClockSyncState::Unknown;
        int asked = 0;
    } clockSync;
    CBellSession session;
};

TEST_F(BellSessionTest, AClockNotSynchronisedIsSaidOncePerChangeAndASetWithItsSize) {
    using platform::ClockSyncState;
    WriteTimetable({Single(Hms(8, 0, 0), "上课")});
    clockSync.state = ClockSyncState::NotSynchronised;
    session.Start(player);
    EXPECT_EQ(clockSync.asked, 1);
    const std::string notice = "系统时间未同步，铃声可能不准";
    EXPECT_EQ(host.notice, notice);
    session.CheckClockSync();
    clockSync.state = ClockSyncState::Unknown;  // timedated gone for a while
    session.CheckClockSync();
    EXPECT_EQ(host.notice, notice);
    clockSync.state = ClockSyncState::Synchronised;
    session.CheckClockSync();
    session.CheckClockSync();
    EXPECT_EQ(host.notice, "");
    EXPECT_EQ(LinesWith(BellLog(), " clock "),
              (std::vector<std::string>{"2026-12-07 07:00:00 clock " + notice,
                                        "2026-12-07 07:00:00 clock 系统时间已同步"}));

    // A set of the clock by more than a second is logged with its size; less is not.
    TickThrough(7, 0, 10);
    clock.Set(Time(7, 7, 0, 45));
    session.OnClockSet();
    session.Tick();
    clock.Advance(400);
    session.OnClockSet();
    clock.Set(Time(7, 7, 0, 30));
    session.OnClockSet();
    const std::vector<std::string> sets = LinesWith(BellLog(), " clockset ");
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_NE(sets[0].find("系统时间被调整+35."), std::string::npos) << sets[0];
    EXPECT_NE(sets[1].find("系统时间被调整-15."), std::string::npos) << sets[1];
}

TEST_F(BellSessionTest, WithoutATimetableNothingCountsDownToAPowerOff) {
    // A first start in an empty folder: the machine stays on, the status says why and
    // the bell log says once what could not be read.
    session.Start(player);
    TickThrough(7, 10, 0);
    EXPECT_TRUE(log.With("poweroff").empty());
    EXPECT_EQ(host.status, engine::texts::kNoTimetableStatus);
    const std::vector<std::string> reasons = LinesWith(BellLog(), " notimetable ");
    ASSERT_EQ(reasons.size(), 1u) << BellLog();
    EXPECT_NE(reasons[0].find("参考作息表.zxb"), std::string::npos);
    EXPECT_NE(reasons[0].find(engine::texts::kTimetableCannotOpen), std::string::npos);

    // Once a timetable is there, a day without items counts down as it always did.
    WriteTimetable({});
    ASSERT_TRUE(session.LoadTimetable(AppDir() + "作息表/参考作息表.zxb"));
    TickThrough(7, 10, 5);
    EXPECT_NE(host.status.find("自动关机"), std::string::npos) << host.status;
}

TEST_F(BellSessionTest, OptionsAreInForceAtOnceAndWrittenInTheDialogsOrder) {
    ScheduleItem reading = Single(Hms(7, 1, 0), "早读");
    reading.runBefore = 1;
    reading.useDefaultParams = 1;
    WriteTimetable({reading});
    session.Start(player);

    // The settings dialog's apply: its seven keys in its order, GBK on disk.
    engine::EngineOptions options = session.Options();
    options.autoShutdown = false;
    options.showPlayer = true;
    options.shutdownDelaySeconds = 120;
    options.defaultVolume = 60;
    options.popupPrompt = false;
    const ViewOptions view{"实验小学", false};
    EXPECT_TRUE(session.ApplyOptions(options, OptionKeys::SystemSettings, &view));
    EXPECT_EQ(player.defaultVolume, 60);
    // The extension-run dialog's OK: its five keys, in its order.
    options.extRun = true;
    options.runBefore = "bin/上课.sh";
    options.paramBefore = "--早";
    options.runAfter = "bin/下课.sh";
    options.paramAfter = "";
    EXPECT_TRUE(session.ApplyOptions(options, OptionKeys::ExtRun));
    EXPECT_EQ(
        ReadFile(AppDir() + "QELT.INI"),
        schedule::EncodeFileText("[设置]\r\n自动关机=0\r\n学校名称=实验小学\r\n显示播放器=1\r\n"
                                 "显示待播=0\r\n关机延时(分钟)=2\r\n默认音量=60\r\n"
                                 "弹出式提示=0\r\n[扩展运行]\r\n是否开启=1\r\n"
                                 "程序1=bin/上课.sh\r\n程序2=bin/下课.sh\r\n参数1=--早\r\n"
                                 "参数2=\r\n"));

    // In force on the next tick: the before-program runs at the lead-in, and no prompt.
    TickThrough(7, 0, 40);
    EXPECT_EQ(log.With("ran"), std::vector<std::string>{"07:00:35 ran bin/上课.sh --早"});
    EXPECT_TRUE(log.With("notify").empty());

    // A file that cannot be written is said; the options hold for this run all the same.
    std::filesystem::remove(AppDir() + "QELT.INI");
    std::filesystem::create_directory(AppDir() + "QELT.INI");
    EXPECT_FALSE(session.SetAutoShutdown(true));
    EXPECT_TRUE(session.Options().autoShutdown);
    session.SetAutoPlay(false);
    EXPECT_FALSE(session.Options().autoPlay);
}

TEST_F(BellSessionTest, AnEditOfThePendingItemRingsAsEdited) {
    // Two items at one second, the first asking for the before-program; the second is
    // passed over whatever the edits.
    ScheduleItem first = Single(Hms(8, 0, 0), "上课");
    first.runBefore = 1;
    ScheduleItem second = Single(Hms(8, 0, 0), "眼保健操", "音乐库\\other.wav");
    WriteTimetable({first, second});
    session.Start(player);
    engine::EngineOptions options = session.Options();
    options.extRun = true;
    options.runBefore = "before.sh";
    session.ApplyOptions(options, OptionKeys::None);
    TickThrough(7, 59, 0);

    // Unticking "run the program first" for the next bell, as the extension-run items
    // dialog does, holds for that bell.
    ScheduleItem* listed = session.CurrentTimetable().GetItem(kMonday, 0);
    ASSERT_NE(listed, nullptr);
    ASSERT_EQ(listed->title, "上课");
    listed->runBefore = 0;
    session.TodayChanged();
    TickThrough(8, 0, 1);
    EXPECT_TRUE(log.With("ran").empty()) << "the program ran against the edit";
    EXPECT_EQ(LinesWith(BellLog(), " item ").size(), 1u) << BellLog();
    EXPECT_NE(BellLog().find("item 08:00:00 [上课]"), std::string::npos) << BellLog();
    EXPECT_NE(BellLog().find("skip 08:00:00 [眼保健操][铃声] 同一秒"), std::string::npos);

    // Ticking it on for a later bell runs the program at its lead-in; an edit of the
    // armed item's title keeps it armed, so the program does not run twice.
    ScheduleItem later = Single(Hms(9, 0, 0), "下课");
    ASSERT_TRUE(session.AddItemToday(later));
    TickThrough(8, 59, 0);
    ScheduleItem* pending = session.CurrentTimetable().GetItem(kMonday, 2);
    ASSERT_NE(pending, nullptr);
    pending->runBefore = 1;
    session.TodayChanged();
    TickThrough(8, 59, 40);
    ASSERT_EQ(log.With("ran").size(), 1u);
    const ScheduleItem armed = *pending;
    ScheduleItem renamed = armed;
    renamed.title = "放学";
    ASSERT_TRUE(session.ReplaceItemToday(2, armed, renamed));
    TickThrough(9, 0, 1);
    EXPECT_EQ(log.With("ran").size(), 1u);
    EXPECT_NE(BellLog().find("item 09:00:00 [放学]"), std::string::npos) << BellLog();

    // An edit aimed at a row that no longer holds the item goes nowhere.
    EXPECT_FALSE(session.DeleteItemToday(2, armed));
}

TEST_F(BellSessionTest, ATrialNeverStopsABellThatStartedSince) {
    WriteTimetable({Single(Hms(8, 0, 0), "上课")});
    session.Start(player);
    const auto trial = [this] {
        const int token = session.BeginTrial();
        if (token != 0) {
            player.ClearQueue(true);
            player.AddFile("/m/trial.mp3", 1, -1, 1, 100);
            player.LoadTrack(0);
        }
        return token;
    };

    // A trial that is still what plays is stopped by its own editor only.
    const int first = trial();
    ASSERT_NE(first, 0);
    EXPECT_TRUE(session.IsTrialPlaying(first));
    session.EndTrial(first + 1);
    EXPECT_TRUE(player.playing);
    session.EndTrial(first);
    EXPECT_FALSE(player.playing);

    // A bell started after the trial plays on through the editor's close, its save and
    // a second press of its trial button.
    const int second = trial();
    ASSERT_NE(second, 0);
    session.PlayListRow(0);
    ASSERT_EQ(player.QueuedNames(), std::vector<std::string>{"bell.wav"});
    EXPECT_FALSE(session.IsTrialPlaying(second));
    log.Clear();
    session.EndTrial(second);
    session.EndTrial(second);
    EXPECT_EQ(trial(), 0) << "a trial never cuts a bell off";
    EXPECT_TRUE(log.With("clear").empty());
    EXPECT_TRUE(player.playing);

    // Once the bell has ended, trials play again; a whole playlist plays as a bell would.
    player.playing = false;
    const int third = trial();
    ASSERT_NE(third, 0);
    schedule::Playlist list;
    list.entries.resize(2);
    list.entries[0].path = "a.mp3";
    list.entries[1].path = "b.mp3";
    EXPECT_TRUE(session.PlayTrialPlaylist(third, list));
    EXPECT_TRUE(session.IsTrialPlaying(third) || !player.playing);
    EXPECT_FALSE(session.PlayTrialPlaylist(second, list)) << "an old trial's token plays nothing";
}

TEST_F(BellSessionTest, TheBellLogTellsBellsFromManualPlaysAndTrials) {
    WriteTimetable({Single(Hms(7, 1, 0), "早读"), Single(Hms(7, 3, 0), "第一节")});
    schedule::CommonTrack track;
    track.name = "预备铃";
    track.main.path = "音乐库/ready.wav";
    ASSERT_TRUE(session.CommonTracks().Add(&track));
    session.Start(player);
    const auto started = [&](const std::string& path) {
        session.LogTrackStarted(path);
        const std::vector<std::string> lines = LinesWith(BellLog(), path);
        return lines.empty() ? std::string() : lines.back().substr(20);
    };

    TickThrough(7, 1, 1);
    EXPECT_EQ(started("bell.wav"), "play bell.wav");
    // The same queue's next track is the bell's too.
    EXPECT_EQ(started("bell2.wav"), "play bell2.wav");
    session.PlayCommonTrackFromMenu(0);
    EXPECT_EQ(started("ready.wav"), "manual ready.wav");
    session.MarkManualPlay();
    EXPECT_EQ(started("opened.wav"), "manual opened.wav");
    ASSERT_TRUE(session.StopPlayback());
    const int trial = session.BeginTrial();
    ASSERT_NE(trial, 0);
    EXPECT_EQ(started("try.wav"), "trial try.wav");
    // The next bell replaces the trial and is a bell again.
    TickThrough(7, 3, 1);
    EXPECT_EQ(started("bell3.wav"), "play bell3.wav");
}

// The main window's timetable commands, driven without windows: the dialogs answer from
// a script, the item editor is a function.
class TimetableCommandsTest : public BellSessionTest {
protected:
    ui_test::ScriptedDialogs dialogs;
    int replaced = 0;
    session::CTimetableCommands commands{session, dialogs, AppDir(), [this] { ++replaced; }};

    static session::CTimetableCommands::EditItemFn EditTo(const ScheduleItem& result) {
        return [result](const ScheduleItem&, bool) { return std::optional<ScheduleItem>(result); };
    }
};

TEST_F(TimetableCommandsTest, ItemsAddedWithoutATimetableAreSavedToAChosenFile) {
    session.Start(player);
    commands.EditRow(-1, EditTo(Single(Hms(9, 0, 0), "第一节")));
    ASSERT_EQ(replaced, 1);
    ASSERT_TRUE(session.CurrentTimetable().IsModified());

    // A cancelled file dialog saves nothing and keeps the edits marked.
    EXPECT_FALSE(commands.Save());
    EXPECT_TRUE(session.CurrentTimetable().IsModified());
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_TRUE(dialogs.fileRequests[0].save);
    EXPECT_EQ(dialogs.fileRequests[0].folder, AppDir() + "作息表");

    // The chosen file is written, becomes the current timetable and rings today.
    const std::string chosen = AppDir() + "作息表/新作息表.zxb";
    dialogs.files.push_back({chosen});
    EXPECT_TRUE(commands.Save());
    EXPECT_FALSE(session.CurrentTimetable().IsModified());
    EXPECT_EQ(session.Settings().GetTimetablePath(), "作息表/新作息表.zxb");
    EXPECT_EQ(session.CurrentTimetable().GetPath(), chosen);
    EXPECT_EQ(replaced, 2);
    ASSERT_NE(session.Engine().Timetable().GetItem(kMonday, 0), nullptr);
    EXPECT_EQ(session.Engine().Timetable().GetItem(kMonday, 0)->title, "第一节");
    // Nothing unsaved: closing asks nothing.
    EXPECT_TRUE(commands.AskToSave());
    EXPECT_EQ(dialogs.messages.size(), 0u);
}

TEST_F(TimetableCommandsTest, ADayThatTurnsWhileAskingChangesNothing) {
    WriteTimetable({Single(Hms(9, 0, 0), "第一节"), Single(Hms(10, 0, 0), "第二节")});
    session.Start(player);
    const auto turnTheDay = [this] {
        clock.Set(Time(8, 0, 0, 1));
        session.Tick();
    };

    // The delete question answered Yes after midnight: Monday keeps both items.
    dialogs.answers.push_back(platform::MessageAnswer::Yes);
    dialogs.whileAsking = [&](const ui_test::ShownMessage&) { turnTheDay(); };
    commands.DeleteRow(0);
    dialogs.whileAsking = nullptr;
    EXPECT_NE(session.CurrentTimetable().GetItem(kMonday, 1), nullptr);

    // An edit confirmed after the day turned goes nowhere, and the user is told.
    clock.Set(Time(7, 8, 0, 0));
    session.Tick();
    ScheduleItem edited = Single(Hms(9, 30, 0), "改过的");
    commands.EditRow(0, [&](const ScheduleItem& item, bool modify) {
        EXPECT_TRUE(modify);
        EXPECT_EQ(item.title, "第一节");
        turnTheDay();
        return std::optional<ScheduleItem>(edited);
    });
    EXPECT_EQ(session.CurrentTimetable().GetItem(kMonday, 0)->title, "第一节");
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1].caption, "编辑作息项");
    EXPECT_EQ(replaced, 0);

    // A refresh of a file that went away keeps the timetable in force and says so.
    clock.Set(Time(7, 8, 0, 0));
    session.Tick();
    std::filesystem::remove(AppDir() + "作息表/参考作息表.zxb");
    commands.Refresh();
    EXPECT_EQ(session.CurrentTimetable().GetItem(kMonday, 0)->title, "第一节");
    ASSERT_EQ(dialogs.messages.size(), 3u);
    EXPECT_NE(dialogs.messages[2].text.find("仍按原来的作息表播放"), std::string::npos);
}

}  // namespace
}  // namespace session_test
