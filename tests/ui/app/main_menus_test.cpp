// The main window's menus and commands: the menu bar as a new user sees it, the states
// that follow the toggles, the run-time track and plug-in menus, choosing a timetable,
// the background commands' settings, the autostart entry, the list's context menu and
// the emergency broadcast.

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStandardPaths>
#include <QStringList>
#include <QStyleOptionMenuItem>
#include <QTimer>

#include "app/command_ids.h"
#include "app/frame_fixture.h"
#include "editors/speak_dlg.h"
#include "platform/xdg_autostart.h"
#include "player/player_dlg.h"
#include "schedule/profile_file.h"
#include "schedule/text_codec.h"
#include "views/pending_wnd.h"
#include "views/schedule_list_view.h"
#include "widgets/taskbar_notifier.h"

namespace {

using namespace ui_test;
using MenusTest = FrameTest;

// A menu's entries in order: texts, "-" for separators, submenus as "text>".
QStringList Entries(const QMenu* menu) {
    QStringList entries;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            entries << QStringLiteral("-");
        } else if (action->menu() != nullptr) {
            entries << action->text() + QLatin1Char('>');
        } else {
            entries << action->text();
        }
    }
    return entries;
}

QMenu* Submenu(const QMenu* menu, const QString& title) {
    for (const QAction* action : menu->actions()) {
        if (action->menu() != nullptr && action->text() == title) {
            return action->menu();
        }
    }
    return nullptr;
}

QMenu* TopMenu(app::CMainFrame& frame, const QString& title) {
    for (const QAction* action : frame.menuBar()->actions()) {
        if (action->text() == title) {
            return action->menu();
        }
    }
    return nullptr;
}

// The mark a menu draws beside an action: a check box or a radio item.
QStyleOptionMenuItem::CheckType MarkOf(QAction* action) {
    struct Probe : QMenu {
        using QMenu::initStyleOption;
    } menu;
    menu.addAction(action);
    QStyleOptionMenuItem option;
    menu.initStyleOption(&option, action);
    return option.checkType;
}

std::string IniValue(const std::string& file, const char* key) {
    return schedule::CProfileFile(file).ReadString("设置", key, "(none)");
}

TEST_F(MenusTest, MenuBarReadsAsDesignedAndFollowsTheToggles) {
    app::CMainFrame& main = MakeFrame();
    main.show();
    main.UpdateActionStates();
    QStringList titles;
    for (const QAction* action : main.menuBar()->actions()) {
        titles << action->text();
    }
    EXPECT_EQ(titles,
              QStringList({"作息表(&Z)", "播放控制(&E)", "设置(&S)", "查看(&V)", "帮助(&H)"}));
    EXPECT_EQ(Entries(TopMenu(main, "作息表(&Z)")),
              QStringList({"选择作息表(&S)...", "刷新作息表(&R)", "-", "查看作息表(&K)...",
                           "新建作息表(&N)...", "修改作息表(&C)...", "-", "自动播放作息表(&P)", "-",
                           "退出系统(&X)"}));
    EXPECT_EQ(Entries(TopMenu(main, "播放控制(&E)")),
              QStringList({"显示播放器(&S)", "-", "选择文件播放(&P)", "播报(&A)...", "-",
                           "紧急广播(&J)..."}));
    EXPECT_EQ(Entries(TopMenu(main, "设置(&S)")),
              QStringList({"系统设置(&S)...", "-", "设置常用标题(&B)...", "设置常用曲目(&C)...",
                           "设置列表曲目(&L)...", "设置节假日(&H)...", "-", "扩展运行>", "-",
                           "自动关闭系统(&L)", "随系统启动(&S)"}));
    EXPECT_EQ(Entries(Submenu(TopMenu(main, "设置(&S)"), "扩展运行")),
              QStringList({"扩展运行设置(&S)...", "设置全体作息项(&A)..."}));
    EXPECT_EQ(Entries(TopMenu(main, "查看(&V)")),
              QStringList({"切换至列表(&Q)", "-", "显示日期时间(&D)", "隐藏主界面(&H)",
                           "查看播放记录(&G)...", "背景(&P)>", "-", "工具栏(&T)", "状态栏(&S)"}));
    EXPECT_EQ(Entries(TopMenu(main, "帮助(&H)")),
              QStringList({"访问论坛(&B)...", "发送邮件(&E)...", "-", "关于 QELT(&A)..."}));
    EXPECT_EQ(
        Entries(main.TrayMenu()),
        QStringList({"关于 QELT(&A)...", "选择作息表(&S)...", "显示播放器(&M)", "隐藏主界面(&H)",
                     "紧急广播(&J)...", "-", "设置>", "-", "退出系统(&X)"}));
    EXPECT_EQ(main.Action(app::kCmdChooseTimetable)->statusTip().toStdString(),
              "选择要播放的作息表");
    EXPECT_EQ(main.Action(app::kCmdChooseTimetable)->toolTip().toStdString(), "选择作息表");

    // Auto-play off: the other text, no check mark; the list shown: a radio mark.
    main.OnCommand(app::kCmdAutoPlay);
    EXPECT_EQ(main.Action(app::kCmdAutoPlay)->text().toStdString(), "停止播放作息表(&P)");
    EXPECT_FALSE(main.Action(app::kCmdAutoPlay)->isChecked());
    main.OnCommand(app::kCmdSwitchView);
    QAction* view = main.Action(app::kCmdSwitchView);
    EXPECT_EQ(view->text().toStdString(), "切换至待播(&Q)");
    EXPECT_TRUE(view->isChecked());
    EXPECT_EQ(MarkOf(view), QStyleOptionMenuItem::Exclusive);
    main.OnCommand(app::kCmdSwitchView);
    EXPECT_FALSE(view->isChecked()) << "the radio mark goes with the list";
    EXPECT_TRUE(main.Action(app::kCmdRefreshTimetable)->isEnabled());
    // The picture's commands: only one of custom picture and custom colour at a time.
    EXPECT_NE(main.Action(app::kCmdCustomPicture)->isEnabled(),
              main.Action(app::kCmdCustomColour)->isEnabled());
}

TEST_F(MenusTest, MarksFollowThePlayerAndTheWindowAtOnce) {
    app::CMainFrame& main = MakeFrame();
    main.show();
    QAction* player = main.Action(app::kCmdShowPlayer);
    main.OnCommand(app::kCmdShowPlayer);
    ASSERT_TRUE(main.IsPlayerVisible());
    EXPECT_TRUE(player->isChecked());
    // The player hides itself ("_", Esc): the mark goes at once, with no command.
    main.PlayerWindow()->hide();
    EXPECT_FALSE(player->isChecked());
    // The notifier's click shows the player, and a second click keeps it shown.
    emit main.Notifier()->clicked();
    EXPECT_TRUE(main.IsPlayerVisible());
    emit main.Notifier()->clicked();
    EXPECT_TRUE(main.IsPlayerVisible());
    EXPECT_TRUE(player->isChecked());

    // The tray menu's window command reads right before any menu is opened.
    main.hide();
    EXPECT_TRUE(Entries(main.TrayMenu()).contains("显示主界面(&H)"));
    main.show();
    EXPECT_TRUE(Entries(main.TrayMenu()).contains("隐藏主界面(&H)"));
}

TEST_F(MenusTest, TrackMenusFollowTheStoresAndPlayByHand) {
    app::CMainFrame& main = MakeFrame();
    for (int i = 0; i < 12; ++i) {
        schedule::CommonTrack track;
        track.name = "曲" + std::to_string(i + 1);
        track.main.path = "音乐库/bell.wav";
        main.CommonTracks().Add(&track);
    }
    main.BuildTrackMenus();
    QMenu* tracks = Submenu(main.PlayMenu(), QStringLiteral("常用曲目播放(&C)"));
    ASSERT_NE(tracks, nullptr);
    const QStringList entries = Entries(tracks);
    ASSERT_EQ(entries.size(), 12);
    EXPECT_EQ(entries[0].toStdString(), "曲1(&1)");
    EXPECT_EQ(entries[8].toStdString(), "曲9(&9)");
    EXPECT_EQ(entries[9].toStdString(), "曲10(&A)");
    EXPECT_EQ(entries[11].toStdString(), "曲12(&C)");

    // Entry 3 plays the fourth track by hand.
    tracks->actions()[3]->trigger();
    EXPECT_EQ(main.PaneText(1).toStdString(), "正在播放常用曲目...");
    EXPECT_EQ(static_cast<int>(main.PlayerWindow()->Engine().Queue().size()), 1);

    // An emptied store removes the submenu; one entry puts it back at the end.
    while (main.CommonTracks().GetCount() > 0) {
        main.CommonTracks().Delete(0);
    }
    main.BuildTrackMenus();
    EXPECT_EQ(Submenu(main.PlayMenu(), QStringLiteral("常用曲目播放(&C)")), nullptr);
    schedule::Playlist list;
    list.name = "课间";
    main.Playlists().Add(&list);
    main.BuildTrackMenus();
    schedule::CommonTrack again;
    again.name = "铃";
    main.CommonTracks().Add(&again);
    main.BuildTrackMenus();
    EXPECT_EQ(Entries(main.PlayMenu()),
              QStringList({"显示播放器(&S)", "-", "选择文件播放(&P)", "播报(&A)...", "-",
                           "紧急广播(&J)...", "列表曲目播放(&L)>", "常用曲目播放(&C)>"}));
}

TEST_F(MenusTest, TheEmergencyCommandPlaysAChosenFileAndTheSamePlaceEndsIt) {
    app::CMainFrame& main = MakeFrame();
    const std::string alarm = m_Dir + "音乐库/警报.wav";
    QFile file(QString::fromStdString(alarm));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("RIFF");
    file.close();
    audio.SetLength(alarm, 3000);
    dialogs.files.push_back({alarm});
    main.OnCommand(app::kCmdEmergency);
    EXPECT_EQ(dialogs.fileRequests.back().title, "选择紧急广播文件");
    EXPECT_TRUE(main.Session().IsEmergency());
    EXPECT_EQ(main.Action(app::kCmdEmergency)->text().toStdString(), "解除紧急广播(&J)");
    EXPECT_EQ(main.PendingView()->GetDayNote(), "紧急广播中：警报.wav");
    EXPECT_EQ(IniValue(m_Dir + "QELT.INI", "紧急广播文件"), alarm);

    // The same place ends it; the next time the last file is proposed.
    main.OnCommand(app::kCmdEmergency);
    EXPECT_FALSE(main.Session().IsEmergency());
    EXPECT_EQ(main.Action(app::kCmdEmergency)->text().toStdString(), "紧急广播(&J)...");
    EXPECT_EQ(main.PendingView()->GetDayNote(), "");
    dialogs.files.push_back({});
    main.OnCommand(app::kCmdEmergency);
    EXPECT_EQ(dialogs.fileRequests.back().fileName, "警报.wav");
    EXPECT_EQ(dialogs.fileRequests.back().folder, m_Dir + "音乐库");
    EXPECT_FALSE(main.Session().IsEmergency());
}

TEST_F(MenusTest, AnnouncingKeepsTheTextAndSpeaksItByHandOrSaysWhyNot) {
    speechFailure = [](const std::string& path) {
        return path.find("故障") != std::string::npos ? "播报引擎出错（退出码 1）" : "";
    };
    app::CMainFrame& main = MakeFrame();
    const auto typeAndSpeak = [&main](const QString& text) {
        QTimer::singleShot(0, [text] {
            auto* dialog = qobject_cast<editors::CSpeakDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->findChild<QPlainTextEdit*>(QStringLiteral("speakText"))->setPlainText(text);
            dialog->accept();
        });
        main.OnCommand(app::kCmdAnnounce);
    };
    const std::string spoken = m_Dir + "音乐库/播报/放学了.txt";
    audio.SetLength(spoken, 2000);
    typeAndSpeak(QStringLiteral("  放学了\n"));
    EXPECT_EQ(ReadFile(spoken), "放学了");
    EXPECT_NE(ReadFile(m_Dir + "events.log").find(" manual " + spoken), std::string::npos);
    EXPECT_TRUE(dialogs.messages.empty());

    // A text the engine fails on is kept, and the user hears why it is not spoken.
    typeAndSpeak(QStringLiteral("故障演练"));
    EXPECT_EQ(ReadFile(m_Dir + "音乐库/播报/故障演练.txt"), "故障演练");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages.back().text, "无法播报：播报引擎出错（退出码 1）");

    // Nothing is spoken over an emergency broadcast.
    std::ofstream(m_Dir + "音乐库/警报.wav") << "RIFF";
    audio.SetLength(m_Dir + "音乐库/警报.wav", 3000);
    ASSERT_EQ(
        main.Session().StartEmergency(m_Dir + "音乐库/警报.wav", session::EmergencySource::Menu),
        session::EmergencyResult::Started);
    main.UpdateActionStates();
    EXPECT_FALSE(main.Action(app::kCmdAnnounce)->isEnabled());
}

TEST_F(MenusTest, ChoosingATimetableWritesItsPathOnlyWhenItLoads) {
    app::CMainFrame& main = MakeFrame();
    const std::string ini = m_Dir + "QELT.INI";
    // Inside the program folder: stored relative to it.
    schedule::CTimetable other;
    other.SetTitle("考试作息");
    ASSERT_TRUE(other.Save(m_Dir + "作息表/考试.zxb"));
    dialogs.files.push_back({m_Dir + "作息表/考试.zxb"});
    main.OnCommand(app::kCmdChooseTimetable);
    EXPECT_EQ(IniValue(ini, "作息表"), "作息表/考试.zxb");
    EXPECT_EQ(main.PendingView()->GetTimetableTitle(), "考试作息");
    EXPECT_EQ(dialogs.fileRequests.back().title, "选择当前作息表");
    EXPECT_EQ(dialogs.fileRequests.back().folder, m_Dir + "作息表");

    // Outside it: stored whole.
    const std::string outside = (fs::path(m_Dir).parent_path().parent_path() /
                                 (fs::path(m_Dir).parent_path().filename().string() + "-other.zxb"))
                                    .string();
    ASSERT_TRUE(other.Save(outside));
    dialogs.files.push_back({outside});
    main.OnCommand(app::kCmdChooseTimetable);
    EXPECT_EQ(IniValue(ini, "作息表"), outside);

    // Refresh when the file has gone: the timetable in force keeps ringing.
    fs::remove(outside);
    main.OnCommand(app::kCmdRefreshTimetable);
    EXPECT_EQ(main.PendingView()->GetTimetableTitle(), "考试作息");
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back().caption, "错误");

    // Not a timetable: nothing written, the old timetable stays.
    std::ofstream(m_Dir + "作息表/坏.zxb") << "not a timetable";
    dialogs.files.push_back({m_Dir + "作息表/坏.zxb"});
    main.OnCommand(app::kCmdChooseTimetable);
    EXPECT_EQ(IniValue(ini, "作息表"), outside);
    EXPECT_EQ(main.PendingView()->GetTimetableTitle(), "考试作息");
}

TEST_F(MenusTest, BackgroundCommandsWriteTheirKeys) {
    app::CMainFrame& main = MakeFrame();
    const std::string ini = m_Dir + "QELT.INI";
    views::CPendingWnd& view = *main.PendingView();
    if (view.GetShowPicture()) {
        main.OnCommand(app::kCmdShowPicture);
        EXPECT_EQ(IniValue(ini, "显示背景图片"), "0");
    }
    ASSERT_FALSE(view.GetShowPicture());

    // Picture off: the default is the colour.
    view.SetBackColour(0x123456);
    main.OnCommand(app::kCmdDefaultPicture);
    EXPECT_EQ(IniValue(ini, "背景颜色"), "9861210");
    EXPECT_EQ(view.GetBackColour(), 9861210u);
    dialogs.colours.push_back(0x00FF00u);
    main.OnCommand(app::kCmdCustomColour);
    EXPECT_EQ(IniValue(ini, "背景颜色"), "65280");

    // Picture on: the default is the built-in picture, a custom one is stored relative.
    main.OnCommand(app::kCmdShowPicture);
    EXPECT_EQ(IniValue(ini, "显示背景图片"), "1");
    EXPECT_TRUE(view.GetShowPicture());
    main.OnCommand(app::kCmdDefaultPicture);
    // A lone space, which reads back as empty: the built-in picture.
    EXPECT_NE(schedule::DecodeFileText(ReadFile(ini)).find("背景图片= \r\n"), std::string::npos);
    EXPECT_TRUE(view.GetPicture().IsLoaded());
    dialogs.files.push_back({m_Dir + "背景图片/校园.jpg"});
    main.OnCommand(app::kCmdCustomPicture);
    EXPECT_EQ(IniValue(ini, "背景图片"), "背景图片/校园.jpg");
    EXPECT_EQ(dialogs.fileRequests.back().folder, m_Dir + "背景图片");
    main.OnCommand(app::kCmdShowPicture);
    EXPECT_EQ(IniValue(ini, "显示背景图片"), "0");
}

TEST_F(MenusTest, AutostartEntryIsWrittenReadBackAndRemoved) {
    const std::string config = m_Dir + "config";
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    app::CMainFrame& main = MakeFrame();
    const QString entry = platform::XdgAutostart::EntryPath();
    ASSERT_TRUE(entry.startsWith(QString::fromStdString(config)));

    EXPECT_TRUE(main.SetAutostart(true));
    EXPECT_TRUE(main.Action(app::kCmdAutostart)->isChecked());
    EXPECT_TRUE(main.IsAutostartSet());
    EXPECT_TRUE(QFile::exists(entry));
    main.OnCommand(app::kCmdAutostart);
    EXPECT_FALSE(QFile::exists(entry));
    EXPECT_FALSE(main.Action(app::kCmdAutostart)->isChecked());

    // A folder that cannot be written: the mark stays off and the user is told.
    fs::remove_all(config + "/autostart");
    std::ofstream(config + "/autostart") << "a file where the folder should be";
    main.OnCommand(app::kCmdAutostart);
    EXPECT_FALSE(main.Action(app::kCmdAutostart)->isChecked());
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back().caption, "错误");
    unsetenv("XDG_CONFIG_HOME");
}

TEST_F(MenusTest, ListContextMenuOffersWhatTheRowAndTimetableAllow) {
    app::CMainFrame& main = MakeFrame();
    std::unique_ptr<QMenu> menu(main.BuildListContextMenu());
    EXPECT_EQ(Entries(menu.get()), QStringList({"新建作息项(&A)"}));

    main.PendingView()->GetListView()->selectRow(1);
    main.Session().CurrentTimetable().SetModified();
    menu.reset(main.BuildListContextMenu());
    EXPECT_EQ(Entries(menu.get()),
              QStringList({"新建作息项(&A)", "修改当前项(&E)", "删除当前项(&D)", "-",
                           "播放当前项(&E)", "-", "保存作息表(&S)"}));

    // On an exam day the list shows the exam timetable: its rows play, nothing edits
    // the current timetable through them.
    schedule::CTimetable exam;
    const schedule::ScheduleItem first = Item(9, 0, 0, "考试开始", true);
    exam.AddItem(kTuesday, &first);
    ASSERT_TRUE(exam.Save(m_Dir + "作息表/考试.zxb"));
    std::ofstream(m_Dir + "作息表/节假日.txt") << "2026-12-08 考试.zxb\n";
    clock.Advance(1000);
    main.Tick();
    ASSERT_TRUE(main.Session().Engine().IsSpecialDay());
    main.PendingView()->GetListView()->selectRow(0);
    menu.reset(main.BuildListContextMenu());
    EXPECT_EQ(Entries(menu.get()), QStringList({"播放当前项(&E)", "-", "保存作息表(&S)"}));
    main.OnCommand(app::kCmdDeleteItem);
    EXPECT_EQ(main.Session().Engine().Timetable().GetDay(kTuesday)->size(), 2u);
    fs::remove(m_Dir + "作息表/节假日.txt");
    clock.Advance(1000);
    main.Tick();
    ASSERT_FALSE(main.Session().Engine().IsSpecialDay());
    main.PendingView()->GetListView()->selectRow(1);

    // Delete asks, then the row is gone; save writes the file.
    dialogs.answers = {platform::MessageAnswer::Yes};
    main.OnCommand(app::kCmdDeleteItem);
    EXPECT_EQ(dialogs.messages.back().text, "真的要删除选中的作息表吗?");
    EXPECT_EQ(main.PendingView()->GetListView()->rowCount(), 1);
    main.OnCommand(app::kCmdSaveTimetable);
    schedule::CTimetable saved;
    ASSERT_TRUE(saved.Load(m_Dir + "作息表/冬季.zxb", true));
    EXPECT_EQ(saved.GetDay(kTuesday)->size(), 1u);
    EXPECT_FALSE(main.Session().Engine().Timetable().IsModified());
}

TEST_F(MenusTest, SamplePluginAppearsUnderItsMenuAndRunsItsCommands) {
    const char* plugins = std::getenv("QELT_PLUGIN_DIR");
    ASSERT_NE(plugins, nullptr);
    fs::copy_file(std::string(plugins) + "/sample_plugin.so", m_Dir + "sample_plugin.so");
    m_bLoadPlugins = true;
    app::CMainFrame& main = MakeFrame();
    const QList<QAction*> menus = main.menuBar()->actions();
    ASSERT_EQ(menus.size(), 6);
    EXPECT_EQ(menus[3]->text().toStdString(), "插件(&P)");
    QMenu* plugin = Submenu(menus[3]->menu(), QStringLiteral("示例插件"));
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(Entries(plugin), QStringList({"运行(&S)...", "设置(&S)...", "关于(&A)..."}));
    const char* expected[] = {"run", "setup", "about"};
    for (int i = 0; i < 3; ++i) {
        plugin->actions()[i]->trigger();
        EXPECT_EQ(main.PaneText(1).toStdString(), expected[i]);
    }
}

}  // namespace
