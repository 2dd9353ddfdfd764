// The main window's actions, menus and toolbar.

#include "app/frame_actions.h"

#include <QAction>
#include <QActionGroup>
#include <QIcon>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>
#include <QToolBar>

#include "app/command_ids.h"
#include "app/track_menu.h"
#include "platform/qt_text.h"

namespace app {

namespace {

using platform::Q;

constexpr const char* kCommonTrackMenu = "常用曲目播放(&C)";
constexpr const char* kPlaylistMenu = "列表曲目播放(&L)";
constexpr int kPluginMenuPosition = 3;
constexpr int kToolIconSize = 16;

}  // namespace

CFrameActions::CFrameActions(QMainWindow& window, std::function<void(int id)> command,
                             std::function<void()> menuShown)
    : QObject(&window),
      m_Window(window),
      m_Command(std::move(command)),
      m_MenuShown(std::move(menuShown)) {}

void CFrameActions::Create() {
    CreateActions();
    CreateMenus();
    CreateTrayMenu();
    CreateToolBar();
}

QAction* CFrameActions::MakeAction(int id, const char* text, const char* prompt, const char* icon) {
    auto* action = new QAction(QString::fromUtf8(text), &m_Window);
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
    connect(action, &QAction::triggered, this, [this, id] { m_Command(id); });
    m_Actions.emplace(id, action);
    return action;
}

QAction* CFrameActions::AddCommand(QMenu* menu, int id, const QString& text) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    connect(action, &QAction::triggered, this, [this, id] { m_Command(id); });
    return action;
}

QAction* CFrameActions::Action(int id) const {
    const auto it = m_Actions.find(id);
    return it == m_Actions.end() ? nullptr : it->second;
}

void CFrameActions::SetCheck(int id, bool checked) {
    const auto [first, last] = m_Actions.equal_range(id);
    for (auto it = first; it != last; ++it) {
        it->second->setCheckable(true);
        it->second->setChecked(checked);
    }
}

void CFrameActions::SetText(int id, const QString& text) {
    const auto [first, last] = m_Actions.equal_range(id);
    for (auto it = first; it != last; ++it) {
        it->second->setText(text);
    }
}

void CFrameActions::SetEnabled(int id, bool enabled) {
    const auto [first, last] = m_Actions.equal_range(id);
    for (auto it = first; it != last; ++it) {
        it->second->setEnabled(enabled);
    }
}

void CFrameActions::CreateActions() {
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
        {kCmdAnnounce, "播报(&A)...", "输入一段文字，立即用语音播报\n播报", nullptr},
        {kCmdSettings, "系统设置(&S)...", "设置系统参数\n设置系统参数", "settings"},
        {kCmdPresetTitles, "设置常用标题(&B)...", "设置常用的标题\n设置常用标题", "titles"},
        {kCmdCommonTracks, "设置常用曲目(&C)...", "设置常用的曲目\n设置常用曲目", "common"},
        {kCmdPlaylists, "设置列表曲目(&L)...", "设置列表曲目文件\n设置列表曲目", "playlist"},
        {kCmdHolidays, "设置节假日(&H)...", "设置节假日和考试等特别的日子\n设置节假日", nullptr},
        {kCmdBellLog, "查看播放记录(&G)...", "查看作息项的播放记录\n查看播放记录", nullptr},
        {kCmdEmergency, "紧急广播(&J)...", "停止作息表，全音量反复播放一个文件，直到解除\n紧急广播",
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
    // The view switch carries a radio mark rather than a check mark: an action of an
    // exclusive group is drawn as a radio item, and "optional" lets it be unchecked.
    auto* group = new QActionGroup(this);
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    group->addAction(Action(kCmdSwitchView));
}

void CFrameActions::CreateMenus() {
    QMenuBar* bar = m_Window.menuBar();
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
    m_pPlayMenu->addAction(Action(kCmdAnnounce));
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
        connect(menu, &QMenu::aboutToShow, this, [this] { m_MenuShown(); });
    }
}

void CFrameActions::CreateTrayMenu() {
    // The notification-area menu has texts of its own for some commands.
    m_pTrayMenu = new QMenu(&m_Window);
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
    connect(m_pTrayMenu, &QMenu::aboutToShow, this, [this] { m_MenuShown(); });
}

void CFrameActions::CreateToolBar() {
    m_pToolBar = m_Window.addToolBar(QStringLiteral("工具栏"));
    m_pToolBar->setObjectName(QStringLiteral("toolbar"));
    m_pToolBar->setMovable(false);
    m_pToolBar->setFloatable(false);
    m_pToolBar->setIconSize(QSize(kToolIconSize, kToolIconSize));
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

void CFrameActions::BuildTrackMenus(const std::vector<std::string>& commonTracks,
                                    const std::vector<std::string>& playlists) {
    const auto play = [this](int id) { m_Command(id); };
    BuildTrackMenu(m_pPlayMenu, commonTracks, QString::fromUtf8(kCommonTrackMenu),
                   kCmdCommonTrackFirst, play);
    BuildTrackMenu(m_pPlayMenu, playlists, QString::fromUtf8(kPlaylistMenu), kCmdPlaylistFirst,
                   play);
}

void CFrameActions::BuildPluginMenu(const std::vector<engine::PluginMenuEntry>& entries) {
    if (entries.empty()) {
        return;
    }
    auto* pluginMenu = new QMenu(QString::fromUtf8(engine::kPluginMenuText), &m_Window);
    for (const engine::PluginMenuEntry& entry : entries) {
        QMenu* plugin = pluginMenu->addMenu(Q(entry.name));
        const char* const texts[] = {engine::kPluginRunText, engine::kPluginSetupText,
                                     engine::kPluginAboutText};
        for (int i = 0; i < engine::kPluginCommandsPerSlot; ++i) {
            AddCommand(plugin, entry.firstId + i, QString::fromUtf8(texts[i]));
        }
    }
    const QList<QAction*> menus = m_Window.menuBar()->actions();
    m_Window.menuBar()->insertMenu(menus.value(kPluginMenuPosition, nullptr), pluginMenu);
}

QMenu* CFrameActions::BuildListContextMenu(bool editable, bool rowSelected, bool modified) {
    auto* menu = new QMenu(&m_Window);
    const auto add = [this, menu](int id, const char* text) {
        AddCommand(menu, id, QString::fromUtf8(text));
    };
    if (editable) {
        add(kCmdNewItem, "新建作息项(&A)");
    }
    if (rowSelected) {
        if (editable) {
            add(kCmdEditItem, "修改当前项(&E)");
            add(kCmdDeleteItem, "删除当前项(&D)");
            menu->addSeparator();
        }
        add(kCmdPlayCurrentRow, "播放当前项(&E)");
    }
    if (modified) {
        menu->addSeparator();
        add(kCmdSaveTimetable, "保存作息表(&S)");
    }
    return menu;
}

}  // namespace app
