#pragma once
// The main window: the player window, the notifier, the pending view with the list
// view, the toolbar with the clock, the status bar and the notification-area icon, over
// the bell session that owns the day (settings, stores, timetable, engine, plug-ins). It
// is the engine's host, so everything the engine shows goes through it, and it changes
// the day only through the session.

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/frame_actions.h"
#include "editors/editor_host.h"
#include "engine/engine_host.h"
#include "engine/schedule_engine.h"
#include "platform/clock.h"
#include "platform/clock_sync.h"
#include "platform/dialogs.h"
#include "platform/power_control.h"
#include "platform/xdg_autostart.h"
#include "player/audio_system.h"
#include "player/snapcast_output.h"
#include "schedule/common_track_store.h"
#include "schedule/message_reporter.h"
#include "schedule/playlist_store.h"
#include "schedule/settings.h"
#include "session/bell_session.h"
#include "session/timetable_commands.h"

class QAction;
class QDialog;
class QLabel;
class QMenu;
class QSystemTrayIcon;
class QToolBar;
class CClockWnd;
class CTaskbarNotifier;

namespace views {
class CPendingWnd;
}  // namespace views
namespace player {
class CPlayerDlg;
}  // namespace player

namespace remote {
class CRemoteServer;
}  // namespace remote

namespace app {

inline constexpr const char* kFrameTitle = "Varnel V1.3";
inline constexpr const char* kIdleText = "运行中...";
inline constexpr const char* kProductPane = " Varnel ";
inline constexpr const char* kMakerNotice = "QELT 校园作息播放";
inline constexpr const char* kRemoteOnNotice = "远程控制已开启";
inline constexpr int kFrameWidth = 700;
inline constexpr int kFrameHeight = 550;
inline constexpr int kFrameMinWidth = 650;
inline constexpr int kFrameMinHeight = 450;
inline constexpr int kEnginePaneWidth = 200;
inline constexpr int kStatusPaneMinWidth = 100;
inline constexpr int kClockWidth = 279;
inline constexpr int kClockRightGap = 280;

// The outside world of the frame; the program passes the real parts, tests their fakes.
struct FrameServices {
    platform::Clock* clock = nullptr;
    player::IAudioSystem* audio = nullptr;
    platform::PowerControl* power = nullptr;
    platform::Dialogs* dialogs = nullptr;
    engine::ProgramRunFn runProgram;
    // The program folder, ending with '/'.
    std::string appDir;
    // QELT_EVENT_LOG; empty for none.
    std::string eventLogPath;
    // The one-second tick on the wall clock; tests call Tick() themselves.
    bool startTickDriver = true;
    bool loadPlugins = true;
    // Whether an audio output exists; when not, the frame says so once.
    bool audioOutputAvailable = true;
    // The executable's full path (the start-with-the-desktop entry names it).
    std::string executable;
    // The audio outputs as (id, name) pairs, the choice of one ("" for the system's
    // default), and whether a chosen output was missing and the default stood in (true
    // once). Empty functions: the default output only.
    std::function<std::vector<std::pair<std::string, std::string>>()> listAudioOutputs;
    std::function<void(const std::string& id)> setAudioOutput;
    // The chosen output's lead: how long before its second an item must start sounding.
    std::function<int()> startLeadMs;
    // What went wrong with a Snapcast output since it was last told, once.
    std::function<player::SnapcastTrouble()> takeSnapcastNotice;
    std::function<bool()> takeOutputFallback;
    // Why a text file could not be spoken (empty when it was not a speech failure), for
    // the bell log's line beside "openfailed".
    std::function<std::string(const std::string& path)> speechFailure;
    // Asked whether the system's clock is synchronised; none: not asked.
    platform::ClockSync* clockSync = nullptr;
};

class CMainFrame : public QMainWindow,
                   public engine::IEngineHost,
                   public editors::IEditorHost,
                   private schedule::IMessageReporter {
    Q_OBJECT
public:
    explicit CMainFrame(FrameServices services, QWidget* parent = nullptr);
    ~CMainFrame() override;
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;

    // Builds the windows and loads the stores, the settings, the current timetable and
    // the plug-ins, in start-up order. False when a window could not be made.
    bool Create();
    // Handles a command identifier from a menu, a button, the notifier or a plug-in.
    void OnCommand(int id);
    // The frame's notification message (0x280E) with its code.
    void OnFrameNotice(int code);
    // Brings the window back from the notification area or from behind other windows.
    void RestoreAndRaise();
    // The scheduler tick.
    void Tick();
    // Ends without questions (the system asked the program to stop): the exit is logged
    // and the player window keeps its position.
    void Shutdown();
    // Says once, in pane 3 and in a message, that no audio output can be opened; the
    // program keeps time and shows the tracks as played all the same.
    void ReportNoAudioOutput();

    // The menu bar's menus, the notification-area menu and the list view's context menu.
    QMenu* PlayMenu() const { return m_pActions->PlayMenu(); }
    QMenu* TrayMenu() const { return m_pActions->TrayMenu(); }
    // The context menu for the list view's selected row (the caller shows and deletes it).
    QMenu* BuildListContextMenu();
    // Rebuilds "常用曲目播放(&C)" and "列表曲目播放(&L)" from the stores.
    void BuildTrackMenus();
    views::CPendingWnd* PendingView() const { return m_pPendingView; }
    player::CPlayerDlg* PlayerWindow() const { return m_pPlayer; }
    CTaskbarNotifier* Notifier() const { return m_pNotifier; }
    CClockWnd* ClockWnd() const { return m_pClock; }
    QToolBar* ToolBar() const { return m_pActions->ToolBar(); }
    // The menu bar's or toolbar's action of a command (null when it has none).
    QAction* Action(int id) const { return m_pActions->Action(id); }
    // Brings every action's check mark, text and enabling up to date.
    void UpdateActionStates();
    // Says once, in pane 3 and the bell log, that the Snapcast server could not be
    // reached or went away.
    void TellSnapcastTrouble();
    // The text of status pane 0..3.
    QString PaneText(int pane) const;

    // The editors' host.
    const std::string& AppDir() const override { return m_Services.appDir; }
    schedule::CSettings& Settings() override { return m_Session.Settings(); }
    schedule::CCommonTrackStore& CommonTracks() override { return m_Session.CommonTracks(); }
    schedule::CPlaylistStore& Playlists() override { return m_Session.Playlists(); }
    session::CBellSession& Session() override { return m_Session; }
    engine::IPlayer& Player() override;
    platform::Dialogs& Dialogs() override { return *m_Services.dialogs; }
    QWidget* Window() override { return this; }
    void OpenStoreEditor(int commandId) override { OpenEditor(commandId); }
    void SetPendingDisplay(bool showPending) override;
    bool IsPendingDisplay() const override;
    void SetSchoolName(const std::string& name) override;
    bool SetAutostart(bool on) override;
    bool IsAutostartSet() const override;
    std::vector<std::pair<std::string, std::string>> AudioOutputs() override;
    bool ApplyRemoteSettings(std::string* error) override;
    bool IsRemoteOn() const { return m_pRemote != nullptr; }

    // The engine's host.
    void SetStatusText(const std::string& text) override;
    void ShowNotice(const std::string& text) override;
    void LogEvent(const std::string& kind, const std::string& text) override;
    void SetPendingItem(const schedule::ScheduleItem* item) override;
    void SetHoliday(bool holiday) override;
    void SetTimetableTitle(const std::string& title) override;
    void DayListChanged(const std::vector<schedule::ScheduleItem>& items, int nextIndex) override;
    void NextRowChanged(int nextIndex) override;
    // The list view's selected row, or -1 when none is selected.
    int GetSelectedRow() const;
    void ShowNotifier(const std::string& text, int appearMs, int stayMs, int disappearMs) override;
    bool IsPlayerVisible() const override;
    void ShowPlayer() override;
    void HidePlayer() override;
    void TrimMemory() override;
    void EmergencyChanged(bool on, const std::string& path) override;
    void SetMakeupWeekday(int weekday) override;

signals:
    // The frame has closed and the program should end.
    void closed();
    // The current timetable was replaced or reloaded (another file chosen, refresh).
    void timetableReplaced();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowError(const std::string& text, const std::string& caption,
                   schedule::MessageOwner owner) override;

    // Writes an event to QELT_EVENT_LOG and, when the bell log keeps its kind, to it.
    void Log(const std::string& kind, const std::string& text = std::string());
    void CreateStatusBar();
    void CreateTrayIcon();
    void LoadSettings();
    void BuildPluginMenu();
    void PlaceClock();
    // The toolbar clock shows the second the tick is about to handle.
    void RefreshClock();
    void ToggleView();
    // "隐藏主界面" or "显示主界面" as the window stands now: set whenever it is shown,
    // hidden or minimised, since the notification area may read its menu before showing it.
    void UpdateWindowCommandText();
    void ShowAbout();

    // Commands.
    // The playing commands the session carries out; false for any other id.
    bool OnPlayCommand(int id);
    // Says that "QELT.INI" could not be written: the change holds for this run only.
    void ReportSettingsNotWritten();
    // Starts an emergency broadcast of a file the user chooses (the last one proposed),
    // or ends the one that plays.
    void ToggleEmergency();
    // Asks for a text and speaks it at once, saying why when it cannot be.
    void Announce();
    // The pending view's line under the caption: the emergency, or a make-up day.
    void UpdateDayNote();
    void TogglePicture();
    void DefaultPicture();
    void CustomPicture();
    void CustomColour();
    void ToggleAutostart();
    void ToggleMainWindow();
    // The dialogs open now, the store editors standing on their own included.
    std::vector<QPointer<QDialog>> OpenEditors();
    // Closes every open editor that may hold unsaved work through its own close path;
    // false when one stays open.
    bool CloseEditorsAsking();
    void OpenLink(const QString& url);
    QString GuideUrl() const;
    // Opens the editor of an editor command.
    void OpenEditor(int id);
    void OpenTimetableEditor(int mode);
    // Edits the list's selected row, or adds an item, in the item editor.
    void EditListItem(bool newItem);
    // Shows a dialog that is open at most once, or brings the open one forward; its
    // command stays checked while it is open.
    void OpenOnce(int id, QDialog* (CMainFrame::*make)());
    // A dialog opened by OpenOnce for command id closed.
    void OnEditorClosed(int id);
    // A timetable editor opened in mode closed.
    void OnTimetableEditorClosed(int mode);
    // Shows today's rows again with the stores as they are now (a playlist deleted or a
    // common track renamed shows at once), without re-planning the day.
    void RefreshDayList();
    QDialog* MakeSettingsDlg();
    QDialog* MakePresetTitleDlg();
    QDialog* MakeExtRunDlg();
    QDialog* MakeExtRunItemsDlg();
    QDialog* MakeCommonTrackDlg();
    QDialog* Unowned(QDialog* dialog);
    QDialog* MakePlaylistDlg();
    QDialog* MakeHolidayDlg();
    QDialog* MakeLogViewDlg();

    FrameServices m_Services;
    session::CBellSession m_Session;
    session::CTimetableCommands m_Timetable;
    // The remote page while it is on; it goes before the session it serves.
    std::unique_ptr<remote::CRemoteServer> m_pRemote;

    views::CPendingWnd* m_pPendingView = nullptr;
    CFrameActions* m_pActions = nullptr;
    CClockWnd* m_pClock = nullptr;
    player::CPlayerDlg* m_pPlayer = nullptr;
    CTaskbarNotifier* m_pNotifier = nullptr;
    QSystemTrayIcon* m_pTray = nullptr;
    QLabel* m_pPanes[4] = {};
    // The emergency broadcast's file while one plays, and today's make-up weekday (-1).
    std::string m_strEmergencyFile;
    int m_nMakeupWeekday = -1;
    // The dialogs opened at most once, by the command that opens each.
    std::map<int, QPointer<QDialog>> m_OpenDialogs;
    platform::XdgAutostart m_Autostart;

    bool m_bClockShown = true;
    bool m_bShownOnce = false;
    bool m_bClosing = false;
};

}  // namespace app
