// The main window's commands: its actions, the menu bar, the toolbar, the run-time
// track and plug-in menus, the notification-area and list-view menus, and what each
// command does.

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QColor>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QUrl>

#include "app/about_dlg.h"
#include "app/command_ids.h"
#include "app/main_frame.h"
#include "app/maker_links.h"
#include "app/track_menu.h"
#include "editors/common_track_dlg.h"
#include "editors/ext_run_dlg.h"
#include "editors/ext_run_items_dlg.h"
#include "editors/holiday_dlg.h"
#include "editors/item_edit_dlg.h"
#include "editors/log_view_dlg.h"
#include "editors/playlist_dlg.h"
#include "editors/preset_title_dlg.h"
#include "editors/settings_dlg.h"
#include "editors/timetable_edit_dlg.h"
#include "engine/plugin_host.h"
#include "player/player_dlg.h"
#include "schedule/app_paths.h"
#include "views/pending_wnd.h"
#include "views/schedule_list_view.h"
#include "widgets/clock_wnd.h"
#include "widgets/hyper_link.h"

namespace app {

namespace {

constexpr const char* kTimetableFilter = "作息表文件(ZXB)|*.zxb|所有文件 (*.*)|*.*||";
constexpr const char* kPictureFilter =
    "图像文件(GIF,JPG,BMP)|*.jpg;*.bmp;*gif|所有文件 (*.*)|*.*||";
constexpr const char* kTimetableFolder = "作息表";
constexpr const char* kPictureFolder = "背景图片";
constexpr const char* kChooseTimetableTitle = "选择当前作息表";
constexpr const char* kChoosePictureTitle = "选择背景图片";
constexpr const char* kMusicFolder = "音乐库";
constexpr const char* kChooseEmergencyFile = "选择紧急广播文件";
const std::string kEmergencyFileFailed = "无法播放紧急广播文件:";
constexpr const char* kEmergencyCaption = "紧急广播";
constexpr const char* kCommonTrackMenu = "常用曲目播放(&C)";
constexpr const char* kPlaylistMenu = "列表曲目播放(&L)";
constexpr const char* kSaveQuestion = "作息表已经被修改过了,要保存作息表吗?";
constexpr const char* kSaveCaption = "保存作息表";
constexpr const char* kItemEditDroppedText =
    "编辑期间日期或作息表已经改变,这次对作息项的修改没有保存,请重新编辑。";
constexpr const char* kItemEditCaption = "编辑作息项";
constexpr const char* kDeleteQuestion = "真的要删除选中的作息表吗?";
constexpr const char* kDeleteCaption = "清除作息表项";
constexpr const char* kAutostartFailed = "无法写入随系统启动的设置，请检查配置文件夹的权限。";
constexpr const char* kViewTimetableTitle = "选择需要查看的作息表";
constexpr const char* kModifyTimetableTitle = "编辑作息表";
constexpr const char* kRefreshQuestion = "是否要刷新当前作息表!";
constexpr const char* kRefreshCaption = "清除作息表项";
constexpr int kModeView = editors::CTimetableEditDlg::kViewMode;
constexpr int kModeNew = editors::CTimetableEditDlg::kNewMode;
constexpr int kModeModify = editors::CTimetableEditDlg::kModifyMode;
constexpr std::uint32_t kDefaultBackColour = views::CPendingWnd::kDefaultBackColour;
constexpr int kPluginMenuPosition = 3;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

// Actions and menus.

QAction* CMainFrame::MakeAction(int id, const char* text, const char* prompt, const char* icon) {
    auto* action = new QAction(QString::fromUtf8(text), this);
    action->setData(id);
    if (prompt != nullptr) {
        // The prompt shows in status pane 0; the part after the line break is the tooltip.
        const QStringList parts = QString::fromUtf8(prompt).split(QLatin1Char('\n'));
        action->setStatusTip(parts.front());
        action->setToolTip(parts.size() > 1 ? parts[1] : parts.front());
    }
    if (icon != nullptr) {
        action->setIcon(
            QIcon(QStringLiteral(":/app/toolbar/") + QLatin1String(icon) + QStringLiteral(".png")));
    }
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    m_Actions.emplace(id, action);
    return action;
}

QAction* CMainFrame::Action(int id) const {
    const auto it = m_Actions.find(id);
    return it == m_Actions.end() ? nullptr : it->second;
}

void CMainFrame::SetCheck(int id, bool checked) {
    const auto [first, last] = m_Actions.equal_range(id);
    for (auto it = first; it != last; ++it) {
        it->second->setCheckable(true);
        it->second->setChecked(checked);
    }
}

void CMainFrame::SetText(int id, const QString& text) {
    const auto [first, last] = m_Actions.equal_range(id);
    for (auto it = first; it != last; ++it) {
        it->second->setText(text);
    }
}

void CMainFrame::SetEnabled(int id, bool enabled) {
    const auto [first, last] = m_Actions.equal_range(id);
    for (auto it = first; it != last; ++it) {
        it->second->setEnabled(enabled);
    }
}

void CMainFrame::CreateActions() {
    struct Command {
        int id;
        const char* text;
        const char* prompt;
        const char* icon;
    };
    static const Command kCommands[] = {
        {kCmdChooseTimetable, "选择作息表(&S)...", "选择要播放的作息表\n选择作息表", "choose"},
        {kCmdRefreshTimetable, "刷新作息表(&R)", "刷新当前的作息表\n刷新作息表", "refresh"},
        {kCmdViewTimetable, "查看作息表(&K)...", "查看作息表的详细内容\n查看作息表", "view"},
        {kCmdNewTimetable, "新建作息表(&N)...", "新建一个作息表\n新建作息表", "new"},
        {kCmdModifyTimetable, "修改作息表(&C)...", "修改已经存在的作息表\n修改作息表", "modify"},
        {kCmdAutoPlay, "自动播放作息表(&P)", "自动播放作息表\n播放作息表", nullptr},
        {kCmdExit, "退出系统(&X)", "退出应用程序", nullptr},
        {kCmdShowPlayer, "显示播放器(&S)", "显示媒体播放器\n显示播放器", "player"},
        {kCmdChooseFilesToPlay, "选择文件播放(&P)", "选择音乐文件进行播放\n选择音乐文件进行播放",
         nullptr},
        {kCmdSettings, "系统设置(&S)...", "设置系统参数\n设置系统参数", "settings"},
        {kCmdPresetTitles, "设置常用标题(&B)...", "设置常用的标题\n设置常用标题", "titles"},
        {kCmdCommonTracks, "设置常用曲目(&C)...", "设置常用的曲目\n设置常用曲目", "common"},
        {kCmdPlaylists, "设置列表曲目(&L)...", "设置列表曲目文件\n设置列表曲目", "playlist"},
        {kCmdHolidays, "设置节假日(&H)...", "设置节假日和考试等特别的日子\n设置节假日", nullptr},
        {kCmdBellLog, "查看播放记录(&G)...", "查看作息项的播放记录\n查看播放记录", nullptr},
        {kCmdEmergency, "紧急广播(&J)...", "停止作息表,全音量反复播放一个文件,直到解除\n紧急广播",
         nullptr},
        {kCmdExtRunSettings, "扩展运行设置(&S)...", nullptr, nullptr},
        {kCmdExtRunItems, "设置全体作息项(&A)...", nullptr, nullptr},
        {kCmdAutoShutdown, "自动关闭系统(&L)", "无作息项时，自动关闭系统", nullptr},
        {kCmdAutostart, "随系统启动(&S)", "随系统自动启动程序\n随系统启动", nullptr},
        {kCmdSwitchView, "待播内容/列表(&B)", "切换待播界面或列表界面\n切换待播或列表界面",
         "switch"},
        {kCmdShowClock, "显示日期时间(&D)", "显示工具栏右侧的日期时间\n显示或隐藏日期时间",
         "clock"},
        {kCmdHideMainWindow, "隐藏主界面(&H)", "隐藏或显示主程序界面\n隐藏或显示界面", nullptr},
        {kCmdShowPicture, "显示背景图片(&A)", "是否显示背景图片", "picture"},
        {kCmdDefaultPicture, "系统默认图片(&M)", "使用默认图片作为背景", nullptr},
        {kCmdCustomPicture, "自定义背景图片(&Z)...", "选择一图像文件作为背景", nullptr},
        {kCmdCustomColour, "自定义背景颜色(&C)...", "自定义背景的颜色", nullptr},
        {kCmdToolBar, "工具栏(&T)", "显示或隐藏工具栏\n显隐工具栏", nullptr},
        {kCmdStatusBar, "状态栏(&S)", "显示或隐藏状态栏\n显隐状态栏", nullptr},
        {kCmdForum, "访问论坛(&B)...", "访问软件专用的论坛\n访问软件专用论坛", nullptr},
        {kCmdMail, "发送邮件(&E)...", "发送邮件给作者\n发送邮件给作者", nullptr},
        {kCmdAbout, "关于 QELT(&A)...", "显示程序信息，版本号和版权\n关于", "about"},
    };
    for (const Command& c : kCommands) {
        MakeAction(c.id, c.text, c.prompt, c.icon);
    }
    // The view switch carries a radio mark rather than a check mark: an action of a
    // group is drawn as a radio item.
    auto* group = new QActionGroup(this);
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
    group->addAction(Action(kCmdSwitchView));
}

void CMainFrame::CreateMenus() {
    QMenuBar* bar = menuBar();
    QMenu* timetable = bar->addMenu(QStringLiteral("作息表(&Z)"));
    timetable->addAction(Action(kCmdChooseTimetable));
    timetable->addAction(Action(kCmdRefreshTimetable));
    timetable->addSeparator();
    timetable->addAction(Action(kCmdViewTimetable));
    timetable->addAction(Action(kCmdNewTimetable));
    timetable->addAction(Action(kCmdModifyTimetable));
    timetable->addSeparator();
    timetable->addAction(Action(kCmdAutoPlay));
    timetable->addSeparator();
    timetable->addAction(Action(kCmdExit));

    m_pPlayMenu = bar->addMenu(QStringLiteral("播放控制(&E)"));
    m_pPlayMenu->addAction(Action(kCmdShowPlayer));
    m_pPlayMenu->addSeparator();
    m_pPlayMenu->addAction(Action(kCmdChooseFilesToPlay));
    m_pPlayMenu->addSeparator();
    m_pPlayMenu->addAction(Action(kCmdEmergency));

    QMenu* settings = bar->addMenu(QStringLiteral("设置(&S)"));
    settings->addAction(Action(kCmdSettings));
    settings->addSeparator();
    settings->addAction(Action(kCmdPresetTitles));
    settings->addAction(Action(kCmdCommonTracks));
    settings->addAction(Action(kCmdPlaylists));
    settings->addAction(Action(kCmdHolidays));
    settings->addSeparator();
    QMenu* extRun = settings->addMenu(QStringLiteral("扩展运行"));
    extRun->addAction(Action(kCmdExtRunSettings));
    extRun->addAction(Action(kCmdExtRunItems));
    settings->addSeparator();
    settings->addAction(Action(kCmdAutoShutdown));
    settings->addAction(Action(kCmdAutostart));

    QMenu* view = bar->addMenu(QStringLiteral("查看(&V)"));
    view->addAction(Action(kCmdSwitchView));
    view->addSeparator();
    view->addAction(Action(kCmdShowClock));
    view->addAction(Action(kCmdHideMainWindow));
    view->addAction(Action(kCmdBellLog));
    QMenu* background = view->addMenu(QStringLiteral("背景(&P)"));
    background->addAction(Action(kCmdShowPicture));
    background->addAction(Action(kCmdDefaultPicture));
    background->addAction(Action(kCmdCustomPicture));
    background->addAction(Action(kCmdCustomColour));
    view->addSeparator();
    view->addAction(Action(kCmdToolBar));
    view->addAction(Action(kCmdStatusBar));

    QMenu* help = bar->addMenu(QStringLiteral("帮助(&H)"));
    help->addAction(Action(kCmdForum));
    help->addAction(Action(kCmdMail));
    help->addSeparator();
    help->addAction(Action(kCmdAbout));

    // Menus show the state of the moment, as the window system's menus ask for it.
    for (QMenu* menu : {timetable, m_pPlayMenu, settings, view, help}) {
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateActionStates);
    }

    // The notification-area menu has texts of its own for some commands.
    m_pTrayMenu = new QMenu(this);
    m_pTrayMenu->addAction(MakeAction(kCmdAbout, "关于 QELT(&A)..."));
    m_pTrayMenu->addAction(MakeAction(kCmdChooseTimetable, "选择作息表(&S)..."));
    m_pTrayMenu->addAction(MakeAction(kCmdShowPlayer, "显示播放器(&M)"));
    m_pTrayMenu->addAction(MakeAction(kCmdHideMainWindow, "隐藏主界面(&H)"));
    m_pTrayMenu->addAction(MakeAction(kCmdEmergency, "紧急广播(&J)..."));
    m_pTrayMenu->addSeparator();
    QMenu* traySettings = m_pTrayMenu->addMenu(QStringLiteral("设置"));
    traySettings->addAction(MakeAction(kCmdSettings, "系统设置(&S)..."));
    traySettings->addSeparator();
    traySettings->addAction(MakeAction(kCmdPresetTitles, "设置常用标题(&B)..."));
    traySettings->addAction(MakeAction(kCmdCommonTracks, "设置常用曲目(&C)..."));
    traySettings->addAction(MakeAction(kCmdPlaylists, "设置列表曲目(&L)..."));
    traySettings->addSeparator();
    traySettings->addAction(MakeAction(kCmdAutoShutdown, "自动关闭系统(&L)"));
    traySettings->addAction(MakeAction(kCmdAutostart, "随系统启动(&S)"));
    m_pTrayMenu->addSeparator();
    m_pTrayMenu->addAction(MakeAction(kCmdExit, "退出系统(&X)"));
    connect(m_pTrayMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateActionStates);
}

void CMainFrame::CreateToolBar() {
    m_pToolBar = addToolBar(QStringLiteral("工具栏"));
    m_pToolBar->setObjectName(QStringLiteral("toolbar"));
    m_pToolBar->setMovable(false);
    m_pToolBar->setFloatable(false);
    m_pToolBar->setIconSize(QSize(16, 16));
    static const int kButtons[] = {
        kCmdChooseTimetable,
        kCmdRefreshTimetable,
        kCmdViewTimetable,
        0,
        kCmdNewTimetable,
        kCmdModifyTimetable,
        0,
        kCmdShowPlayer,
        kCmdShowClock,
        kCmdSwitchView,
        kCmdShowPicture,
        0,
        kCmdSettings,
        kCmdCommonTracks,
        kCmdPlaylists,
        kCmdPresetTitles,
        0,
        kCmdAbout,
    };
    for (const int id : kButtons) {
        if (id == 0) {
            m_pToolBar->addSeparator();
        } else {
            m_pToolBar->addAction(Action(id));
        }
    }
}

void CMainFrame::BuildTrackMenus() {
    const auto play = [this](int id) { OnCommand(id); };
    std::vector<std::string> names;
    m_Session.CommonTracks().GetNames(names);
    BuildTrackMenu(m_pPlayMenu, names, QString::fromUtf8(kCommonTrackMenu), kCmdCommonTrackFirst,
                   play);
    names.clear();
    m_Session.Playlists().GetNames(names);
    BuildTrackMenu(m_pPlayMenu, names, QString::fromUtf8(kPlaylistMenu), kCmdPlaylistFirst, play);
}

void CMainFrame::BuildPluginMenu() {
    engine::CPluginHost* plugins = m_Session.Plugins();
    const std::vector<engine::PluginMenuEntry> entries =
        plugins != nullptr ? plugins->BuildPluginMenu() : std::vector<engine::PluginMenuEntry>();
    if (entries.empty()) {
        return;
    }
    m_pPluginMenu = new QMenu(QString::fromUtf8(engine::kPluginMenuText), this);
    for (const engine::PluginMenuEntry& entry : entries) {
        QMenu* plugin = m_pPluginMenu->addMenu(Q(entry.name));
        const char* const texts[] = {engine::kPluginRunText, engine::kPluginSetupText,
                                     engine::kPluginAboutText};
        for (int i = 0; i < engine::kPluginCommandsPerSlot; ++i) {
            const int id = entry.firstId + i;
            QAction* action = plugin->addAction(QString::fromUtf8(texts[i]));
            action->setData(id);
            connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        }
    }
    const QList<QAction*> menus = menuBar()->actions();
    menuBar()->insertMenu(menus.value(kPluginMenuPosition, nullptr), m_pPluginMenu);
}

QMenu* CMainFrame::BuildListContextMenu() {
    auto* menu = new QMenu(this);
    const auto add = [this, menu](int id, const char* text) {
        QAction* action = menu->addAction(QString::fromUtf8(text));
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    };
    // On a special day the list shows another timetable's day: its rows can be played
    // but not edited through the current timetable.
    const bool editable = !m_Session.Engine().IsSpecialDay();
    if (editable) {
        add(kCmdNewItem, "新建作息项(&A)");
    }
    if (GetSelectedRow() >= 0) {
        if (editable) {
            add(kCmdEditItem, "修改当前项(&E)");
            add(kCmdDeleteItem, "删除当前项(&D)");
            menu->addSeparator();
        }
        add(kCmdPlayCurrentRow, "播放当前项(&E)");
    }
    if (m_Session.Engine().Timetable().IsModified()) {
        menu->addSeparator();
        add(kCmdSaveTimetable, "保存作息表(&S)");
    }
    return menu;
}

void CMainFrame::UpdateActionStates() {
    if (!m_Session.IsStarted()) {
        return;
    }
    const bool autoPlay = m_Session.Options().autoPlay;
    SetCheck(kCmdAutoPlay, autoPlay);
    SetText(kCmdAutoPlay,
            autoPlay ? QStringLiteral("自动播放作息表(&P)") : QStringLiteral("停止播放作息表(&P)"));
    SetEnabled(kCmdRefreshTimetable, m_Session.Engine().Timetable().IsLoaded());
    SetCheck(kCmdAutoShutdown, m_Session.Options().autoShutdown);
    SetCheck(kCmdShowPlayer, IsPlayerVisible());
    const bool list = m_pPendingView->GetPendingMode() == 0;
    SetCheck(kCmdSwitchView, list);
    SetText(kCmdSwitchView,
            list ? QStringLiteral("切换至待播(&Q)") : QStringLiteral("切换至列表(&Q)"));
    SetCheck(kCmdShowClock, m_bClockShown);
    const bool picture = m_pPendingView->GetShowPicture();
    SetCheck(kCmdShowPicture, picture);
    SetText(kCmdDefaultPicture,
            picture ? QStringLiteral("系统默认图片(&M)") : QStringLiteral("系统默认颜色(&M)"));
    SetEnabled(kCmdCustomPicture, picture);
    SetEnabled(kCmdCustomColour, !picture);
    SetCheck(kCmdAutostart, m_Autostart.IsAutostartSet());
    const bool shown = isVisible() && !isMinimized();
    SetText(kCmdHideMainWindow,
            shown ? QStringLiteral("隐藏主界面(&H)") : QStringLiteral("显示主界面(&H)"));
    SetCheck(kCmdToolBar, m_pToolBar->isVisible() || !isVisible());
    SetCheck(kCmdStatusBar, statusBar()->isVisible() || !isVisible());
    // While an emergency broadcast plays, the same place ends it.
    SetText(kCmdEmergency, m_Session.IsEmergency() ? QStringLiteral("解除紧急广播(&J)")
                                                   : QStringLiteral("紧急广播(&J)..."));
}

// Commands.

void CMainFrame::OnCommand(int id) {
    if (m_Session.IsStarted() && OnPlayCommand(id)) {
        UpdateActionStates();
        return;
    }
    engine::CPluginHost* plugins = m_Session.Plugins();
    if (plugins != nullptr && id >= engine::kFirstPluginCommand &&
        id <= engine::kLastPluginCommand) {
        plugins->OnPluginCommand(id);
        return;
    }
    switch (id) {
        case kCmdChooseTimetable:
            ChooseTimetable();
            break;
        case kCmdRefreshTimetable:
            RefreshTimetable();
            break;
        case kCmdShowPlayer:
            if (IsPlayerVisible()) {
                HidePlayer();
            } else {
                ShowPlayer();
            }
            break;
        case kCmdSwitchView:
            ToggleView();
            break;
        case kCmdShowClock:
            m_bClockShown = !m_bClockShown;
            m_pClock->setVisible(m_bClockShown);
            break;
        case kCmdShowPicture:
            TogglePicture();
            break;
        case kCmdDefaultPicture:
            DefaultPicture();
            break;
        case kCmdCustomPicture:
            CustomPicture();
            break;
        case kCmdCustomColour:
            CustomColour();
            break;
        case kCmdForum:
            OpenLink(GuideUrl());
            break;
        case kCmdMail:
            OpenLink(QString::fromUtf8(kProjectMail));
            break;
        case kCmdAutostart:
            ToggleAutostart();
            break;
        case kCmdHideMainWindow:
            ToggleMainWindow();
            break;
        case kCmdToolBar:
            m_pToolBar->setVisible(!m_pToolBar->isVisible());
            break;
        case kCmdStatusBar:
            statusBar()->setVisible(!statusBar()->isVisible());
            break;
        case kCmdDeleteItem:
            DeleteSelectedItem();
            break;
        case kCmdSaveTimetable:
            SaveTimetable();
            break;
        case kCmdAbout:
            ShowAbout();
            break;
        case kCmdExit:
            close();
            break;
        default:
            OpenEditor(id);
            break;
    }
    UpdateActionStates();
}

bool CMainFrame::OnPlayCommand(int id) {
    if (id == kCmdAutoPlay) {
        m_Session.SetAutoPlay(!m_Session.Options().autoPlay);
    } else if (id == kCmdAutoShutdown) {
        if (!m_Session.SetAutoShutdown(!m_Session.Options().autoShutdown)) {
            ReportSettingsNotWritten();
        }
    } else if (id == kCmdChooseFilesToPlay) {
        m_Session.PlayChosenFiles();
    } else if (id == kCmdEmergency) {
        ToggleEmergency();
    } else if (id == kCmdPlayCurrentRow) {
        m_Session.PlayListRow(GetSelectedRow());
    } else if (id >= kCmdCommonTrackFirst && id < kCmdCommonTrackFirst + kCmdIdsPerStore) {
        m_Session.PlayCommonTrackFromMenu(id - kCmdCommonTrackFirst);
    } else if (id >= kCmdPlaylistFirst && id < kCmdPlaylistFirst + kCmdIdsPerStore) {
        m_Session.PlayPlaylistFromMenu(id - kCmdPlaylistFirst);
    } else {
        return false;
    }
    return true;
}

void CMainFrame::ReportSettingsNotWritten() {
    editors::ReportSettingsNotWritten(*this);
}

void CMainFrame::OnFrameNotice(int code) {
    switch (code) {
        case kNoticePlaybackEnded:
            m_Session.OnPlaybackEnded();
            break;
        case kNoticeListRightClick: {
            QMenu* menu = BuildListContextMenu();
            menu->exec(QCursor::pos());
            delete menu;
            break;
        }
        case kNoticeTrayIcon:
            RestoreAndRaise();
            break;
        default:
            OnEditorClosed(code, 0);
            break;
    }
    UpdateActionStates();
}

std::string CMainFrame::ChooseFile(const char* title, const std::string& folder,
                                   const char* filter) {
    platform::FileDialogRequest request;
    request.title = title;
    request.folder = folder;
    request.filter = filter;
    const std::vector<std::string> files = m_Services.dialogs->ChooseFiles(request);
    // Relative paths of the settings, stores and plug-ins keep working after the dialog.
    QDir::setCurrent(Q(m_Services.appDir));
    return files.empty() ? std::string() : files.front();
}

void CMainFrame::ToggleEmergency() {
    if (m_Session.EndEmergency(session::EmergencySource::Menu)) {
        return;
    }
    // The last file used is proposed, so that Enter starts it again.
    const std::string last = m_Session.Settings().GetEmergencyFile();
    const QFileInfo lastFile(
        Q(last.empty() ? std::string() : schedule::ResolvePath(m_Services.appDir, last)));
    platform::FileDialogRequest request;
    request.title = kChooseEmergencyFile;
    request.folder =
        last.empty() ? m_Services.appDir + kMusicFolder : lastFile.absolutePath().toStdString();
    request.fileName = last.empty() ? std::string() : lastFile.fileName().toStdString();
    request.filter = player::CPlayerDlg::kMusicFilter;
    const std::vector<std::string> files = m_Services.dialogs->ChooseFiles(request);
    QDir::setCurrent(Q(m_Services.appDir));
    if (files.empty()) {
        return;
    }
    if (m_Session.StartEmergency(files.front(), session::EmergencySource::Menu) !=
        session::EmergencyResult::Started) {
        m_Services.dialogs->Message(kEmergencyFileFailed + files.front(), kEmergencyCaption,
                                    platform::MessageIcon::Error, platform::MessageButtons::Ok);
    }
}

void CMainFrame::ChooseTimetable() {
    if (!AskToSaveTimetable()) {
        return;
    }
    const std::string path =
        ChooseFile(kChooseTimetableTitle, m_Services.appDir + kTimetableFolder, kTimetableFilter);
    if (path.empty() || !m_Session.LoadTimetable(path)) {
        return;
    }
    m_Session.CurrentTimetable().ClearModified();
    m_Session.Settings().SetTimetablePath(schedule::MakeRelative(m_Services.appDir, path));
    m_Session.SetStatus(std::string());
    emit timetableReplaced();
}

void CMainFrame::RefreshTimetable() {
    schedule::CTimetable& timetable = m_Session.CurrentTimetable();
    if (timetable.IsLoaded()) {
        // The file is read into a fresh timetable first: one that cannot be read now
        // leaves the timetable in force ringing instead of an empty day (and, with the
        // automatic power-off, a machine switched off in the morning).
        const std::string path = timetable.GetPath();
        if (m_Session.LoadTimetable(path)) {
            timetable.ClearModified();
        } else if (!QFileInfo::exists(Q(path))) {
            m_Services.dialogs->Message(
                QStringLiteral("找不到作息表文件 %1，仍按原来的作息表播放。")
                    .arg(Q(path))
                    .toStdString(),
                schedule::kErrorCaption, platform::MessageIcon::Error,
                platform::MessageButtons::Ok);
        }
    }
    // A special day's timetable may have changed too.
    m_Session.ReplanToday();
    emit timetableReplaced();
}

void CMainFrame::ToggleView() {
    const bool pending = m_pPendingView->GetPendingMode() == 0;
    m_pPendingView->SetPendingMode(pending ? 1 : 0);
    m_pPendingView->update();
    UpdateActionStates();
}

void CMainFrame::SetPendingDisplay(bool showPending) {
    if ((m_pPendingView->GetPendingMode() == 1) != showPending) {
        ToggleView();
    }
}

bool CMainFrame::IsPendingDisplay() const {
    return m_pPendingView->GetPendingMode() == 1;
}

void CMainFrame::SetSchoolName(const std::string& name) {
    m_pPendingView->SetCaption(name);
}

void CMainFrame::TogglePicture() {
    const bool on = !m_pPendingView->GetShowPicture();
    m_Session.Settings().SetShowBackgroundPicture(on);
    if (on) {
        const std::string picture = m_Session.Settings().GetBackgroundPicture();
        m_pPendingView->LoadBackgroundPicture(
            picture.empty() || picture == " " ? picture
                                              : schedule::ResolvePath(m_Services.appDir, picture));
    } else {
        m_pPendingView->GetPicture().Release();
    }
    m_pPendingView->SetShowPicture(on);
    update();
}

void CMainFrame::DefaultPicture() {
    if (m_pPendingView->GetShowPicture()) {
        m_pPendingView->GetPicture().Release();
        m_pPendingView->LoadBackgroundPicture(" ");
        m_Session.Settings().SetBackgroundPicture(" ");
    } else {
        m_pPendingView->SetBackColour(kDefaultBackColour);
        m_Session.Settings().SetBackgroundColor(static_cast<std::int32_t>(kDefaultBackColour));
    }
    m_pPendingView->update();
}

void CMainFrame::CustomPicture() {
    if (!m_pPendingView->GetShowPicture()) {
        return;
    }
    const std::string path =
        ChooseFile(kChoosePictureTitle, m_Services.appDir + kPictureFolder, kPictureFilter);
    if (path.empty()) {
        return;
    }
    const std::string stored = schedule::MakeRelative(m_Services.appDir, path);
    m_pPendingView->LoadBackgroundPicture(schedule::ResolvePath(m_Services.appDir, stored));
    m_Session.Settings().SetBackgroundPicture(stored);
    m_pPendingView->update();
}

void CMainFrame::CustomColour() {
    if (m_pPendingView->GetShowPicture()) {
        return;
    }
    const std::optional<std::uint32_t> colour =
        m_Services.dialogs->ChooseColour(m_pPendingView->GetBackColour());
    if (!colour) {
        return;
    }
    m_pPendingView->SetBackColour(*colour);
    m_Session.Settings().SetBackgroundColor(static_cast<std::int32_t>(*colour));
}

bool CMainFrame::IsAutostartSet() const {
    return m_Autostart.IsAutostartSet();
}

bool CMainFrame::SetAutostart(bool on) {
    const bool written = m_Autostart.SetAutostart(on);
    const bool set = m_Autostart.IsAutostartSet();
    // The mark shows what the entry really says; a failed write is said, not hidden.
    if (!written || set != on) {
        m_Services.dialogs->Message(kAutostartFailed, schedule::kErrorCaption,
                                    platform::MessageIcon::Error, platform::MessageButtons::Ok);
    }
    SetCheck(kCmdAutostart, set);
    return set;
}

std::vector<std::pair<std::string, std::string>> CMainFrame::AudioOutputs() {
    return m_Services.listAudioOutputs ? m_Services.listAudioOutputs()
                                       : std::vector<std::pair<std::string, std::string>>();
}

void CMainFrame::ToggleAutostart() {
    SetAutostart(!m_Autostart.IsAutostartSet());
}

void CMainFrame::ToggleMainWindow() {
    if (isVisible() && !isMinimized()) {
        showMinimized();
    } else {
        RestoreAndRaise();
    }
}

void CMainFrame::DeleteSelectedItem() {
    const int row = GetSelectedRow();
    const int day = m_Session.Engine().Today();
    const schedule::ScheduleItem* selected = m_Session.Engine().Timetable().GetItem(day, row);
    if (selected == nullptr || m_Session.Engine().IsSpecialDay()) {
        return;
    }
    const schedule::ScheduleItem item = *selected;
    if (m_Services.dialogs->Message(
            kDeleteQuestion, kDeleteCaption, platform::MessageIcon::Question,
            platform::MessageButtons::YesNo) != platform::MessageAnswer::Yes) {
        return;
    }
    // While the question was open the day may have turned or the timetable changed:
    // then nothing is deleted.
    if (day == m_Session.Engine().Today()) {
        m_Session.DeleteItemToday(row, item);
    }
}

bool CMainFrame::AskToSaveTimetable() {
    schedule::CTimetable& timetable = m_Session.CurrentTimetable();
    if (!timetable.IsModified() ||
        m_Services.dialogs->Message(kSaveQuestion, kSaveCaption, platform::MessageIcon::Question,
                                    platform::MessageButtons::YesNo) !=
            platform::MessageAnswer::Yes) {
        return true;
    }
    return SaveTimetable();
}

bool CMainFrame::SaveTimetable() {
    schedule::CTimetable& timetable = m_Session.CurrentTimetable();
    if (timetable.GetPath().empty()) {
        return SaveTimetableAs();
    }
    // A save that failed (it says why) keeps the edits marked, so they are asked for
    // again instead of being lost.
    if (!timetable.Save(timetable.GetPath())) {
        return false;
    }
    timetable.ClearModified();
    return true;
}

bool CMainFrame::SaveTimetableAs() {
    // Items added without a timetable have no file yet: the user chooses one, as in the
    // timetable editor, and it becomes the current timetable.
    platform::FileDialogRequest request;
    request.folder = m_Services.appDir + kTimetableFolder;
    request.filter = kTimetableFilter;
    request.save = true;
    request.defaultExtension = "zxb";
    const std::vector<std::string> chosen = m_Services.dialogs->ChooseFiles(request);
    QDir::setCurrent(Q(m_Services.appDir));
    schedule::CTimetable& timetable = m_Session.CurrentTimetable();
    if (chosen.empty() || !timetable.Save(chosen.front())) {
        return false;
    }
    timetable.ClearModified();
    if (m_Session.LoadTimetable(chosen.front())) {
        m_Session.Settings().SetTimetablePath(
            schedule::MakeRelative(m_Services.appDir, chosen.front()));
        emit timetableReplaced();
    }
    return true;
}

QString CMainFrame::GuideUrl() const {
    return QUrl::fromLocalFile(GuidePath(QCoreApplication::applicationDirPath())).toString();
}

void CMainFrame::OpenLink(const QString& url) {
    if (QDesktopServices::openUrl(QUrl(url))) {
        return;
    }
    const int result = CHyperLink::OpenWithXdgOpen(url);
    if (result != 0) {
        m_Services.dialogs->Message(CHyperLink::FailureText(result).toStdString(),
                                    QApplication::applicationDisplayName().toStdString(),
                                    platform::MessageIcon::Warning, platform::MessageButtons::Ok);
    }
}

void CMainFrame::ShowAbout() {
    CAboutDlg about(*m_Services.dialogs, this);
    about.exec();
}

// The editors' host.

engine::IPlayer& CMainFrame::Player() {
    return *m_pPlayer;
}

void CMainFrame::OpenEditor(int id) {
    switch (id) {
        case kCmdViewTimetable:
            OpenTimetableEditor(kModeView);
            break;
        case kCmdNewTimetable:
            OpenTimetableEditor(kModeNew);
            break;
        case kCmdModifyTimetable:
            OpenTimetableEditor(kModeModify);
            break;
        case kCmdSettings:
            OpenOnce(id, &CMainFrame::MakeSettingsDlg);
            break;
        case kCmdPresetTitles:
            OpenOnce(id, &CMainFrame::MakePresetTitleDlg);
            break;
        case kCmdExtRunSettings:
            OpenOnce(id, &CMainFrame::MakeExtRunDlg);
            break;
        case kCmdExtRunItems:
            OpenOnce(id, &CMainFrame::MakeExtRunItemsDlg);
            break;
        case kCmdCommonTracks:
            OpenOnce(id, &CMainFrame::MakeCommonTrackDlg);
            break;
        case kCmdPlaylists:
            OpenOnce(id, &CMainFrame::MakePlaylistDlg);
            break;
        case kCmdHolidays:
            OpenOnce(id, &CMainFrame::MakeHolidayDlg);
            break;
        case kCmdBellLog:
            OpenOnce(id, &CMainFrame::MakeLogViewDlg);
            break;
        case kCmdNewItem:
            EditListItem(true);
            break;
        case kCmdEditItem:
            EditListItem(false);
            break;
        default:
            break;
    }
    UpdateActionStates();
}

void CMainFrame::OpenOnce(int id, QDialog* (CMainFrame::*make)()) {
    QPointer<QDialog>& open = m_OpenDialogs[id];
    if (open) {
        // An editor already open is owned by the frame, and a window-modal editor (the
        // item editor) blocks every window the frame owns: reached from that editor, it
        // stands on its own from now on, so it takes input.
        if (QApplication::activeModalWidget() != nullptr && open->parentWidget() != nullptr) {
            Unowned(open);
            open->show();
        }
        open->raise();
        open->activateWindow();
        return;
    }
    open = (this->*make)();
    open->show();
    SetCheck(id, true);
}

QDialog* CMainFrame::MakeSettingsDlg() {
    return new editors::CSettingsDlg(*this, this);
}
QDialog* CMainFrame::MakePresetTitleDlg() {
    return new editors::CPresetTitleDlg(*this, this);
}
QDialog* CMainFrame::MakeExtRunDlg() {
    return new editors::CExtRunDlg(*this, this);
}
// The item editor can open a store editor while it is modal: the store editor then
// stands on its own, since a window under the modal one's owner would take no input.
// The frame deletes such an editor if it is still open when the frame goes.
QDialog* CMainFrame::Unowned(QDialog* dialog) {
    if (QApplication::activeModalWidget() != nullptr) {
        dialog->setParent(nullptr, dialog->windowFlags());
    }
    return dialog;
}

QDialog* CMainFrame::MakeCommonTrackDlg() {
    return Unowned(new editors::CCommonTrackDlg(*this, this));
}

QDialog* CMainFrame::MakePlaylistDlg() {
    return Unowned(new editors::CPlaylistDlg(*this, this));
}

QDialog* CMainFrame::MakeHolidayDlg() {
    return new editors::CHolidayDlg(*this, this);
}

QDialog* CMainFrame::MakeLogViewDlg() {
    return new editors::CLogViewDlg(*this, m_Session.BellLogPath(), this);
}

QDialog* CMainFrame::MakeExtRunItemsDlg() {
    auto* dialog = new editors::CExtRunItemsDlg(*this, this);
    // It writes into the current timetable's items: a replaced timetable refills it.
    connect(this, &CMainFrame::timetableReplaced, dialog,
            &editors::CExtRunItemsDlg::TimetableReplaced);
    return dialog;
}

void CMainFrame::OpenTimetableEditor(int mode) {
    std::string path;
    if (mode != kModeNew) {
        path = ChooseFile(mode == kModeView ? kViewTimetableTitle : kModifyTimetableTitle,
                          m_Services.appDir + kTimetableFolder, kTimetableFilter);
        if (path.empty()) {
            return;
        }
    }
    // Several may be open at once; each deletes itself when it closes.
    if (editors::CTimetableEditDlg* editor =
            editors::CTimetableEditDlg::Create(*this, *m_Services.clock, mode, path, this)) {
        editor->show();
    }
}

void CMainFrame::EditListItem(bool newItem) {
    const engine::CScheduleEngine& engine = m_Session.Engine();
    if (engine.IsSpecialDay()) {
        return;
    }
    const int row = GetSelectedRow();
    const int today = engine.Today();
    const schedule::ScheduleItem* current =
        newItem ? nullptr : engine.Timetable().GetItem(today, row);
    if (!newItem && current == nullptr) {
        return;
    }
    editors::CItemEditDlg editor(*this, *m_Services.clock, this);
    editor.SetItem(newItem ? engine.NextItem() : *current, !newItem);
    const schedule::ScheduleItem before = newItem ? schedule::ScheduleItem() : *current;
    if (editor.exec() != QDialog::Accepted) {
        return;
    }
    // While the editor was open the day may have turned or the timetable changed: the
    // edit goes nowhere rather than into another item, and the user is told.
    const bool changed = today == engine.Today() &&
                         (newItem ? m_Session.AddItemToday(editor.Item())
                                  : m_Session.ReplaceItemToday(row, before, editor.Item()));
    if (!changed) {
        m_Services.dialogs->Message(kItemEditDroppedText, kItemEditCaption,
                                    platform::MessageIcon::Warning, platform::MessageButtons::Ok);
        return;
    }
    emit timetableReplaced();
}

void CMainFrame::OnEditorClosed(int code, int param) {
    static const std::map<int, int> kCommandOfNotice = {
        {editors::kPresetTitlesClosed, kCmdPresetTitles},
        {editors::kCommonTracksClosed, kCmdCommonTracks},
        {editors::kPlaylistsClosed, kCmdPlaylists},
        {editors::kSettingsClosed, kCmdSettings},
        {editors::kExtRunClosed, kCmdExtRunSettings},
        {editors::kExtRunItemsClosed, kCmdExtRunItems},
        {editors::kHolidaysClosed, kCmdHolidays},
        {editors::kLogViewClosed, kCmdBellLog},
    };
    if (const auto it = kCommandOfNotice.find(code); it != kCommandOfNotice.end()) {
        m_OpenDialogs.erase(it->second);
        SetCheck(it->second, false);
    }
    if (m_bClosing) {
        // The program is ending: nothing is rebuilt or asked.
        return;
    }
    if (code == editors::kCommonTracksClosed || code == editors::kPlaylistsClosed) {
        BuildTrackMenus();
    }
    if (code == editors::kHolidaysClosed) {
        // A calendar written by the dialog counts at once, not on the next tick.
        m_Session.CheckCalendar();
    }
    if (code == editors::kTimetableEditorClosed && param == kModeModify &&
        m_Services.dialogs->Message(
            kRefreshQuestion, kRefreshCaption, platform::MessageIcon::Question,
            platform::MessageButtons::YesNo) == platform::MessageAnswer::Yes) {
        OnCommand(kCmdRefreshTimetable);
    }
}

}  // namespace app
