#pragma once
// The main window: it owns the current timetable (through the scheduling engine), both
// stores, the settings, the player window, the notifier, the pending view with the list
// view, the toolbar with the clock, the status bar, the notification-area icon and the
// plug-in host, and it is the engine's host: everything the engine shows goes through it.

#include <QMainWindow>
#include <QPointer>
#include <map>
#include <memory>
#include <string>

#include "app/event_log.h"
#include "engine/engine_host.h"
#include "engine/schedule_engine.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/power_control.h"
#include "player/audio_system.h"
#include "schedule/common_track_store.h"
#include "schedule/message_reporter.h"
#include "schedule/playlist_store.h"
#include "schedule/settings.h"

class QAction;
class QLabel;
class QSystemTrayIcon;
class QToolBar;
class CClockWnd;
class CTaskbarNotifier;

namespace views {
class CPendingWnd;
}  // namespace views
namespace engine {
class CPluginHost;
class CTickDriver;
}  // namespace engine
namespace player {
class CPlayerDlg;
}  // namespace player

namespace app {

inline constexpr const char* kFrameTitle = "Varnel V1.3";
inline constexpr const char* kIdleText = "运行中...";
inline constexpr const char* kProductPane = " Varnel ";
inline constexpr const char* kMakerNotice = "QELT 校园作息播放";
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
};

class CMainFrame : public QMainWindow,
                   public engine::IEngineHost,
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

    engine::CScheduleEngine& Engine() { return *m_pEngine; }
    schedule::CSettings& Settings() { return m_Settings; }
    schedule::CCommonTrackStore& CommonTracks() { return m_CommonTracks; }
    schedule::CPlaylistStore& Playlists() { return m_Playlists; }
    views::CPendingWnd* PendingView() const { return m_pPendingView; }
    player::CPlayerDlg* Player() const { return m_pPlayer; }
    CTaskbarNotifier* Notifier() const { return m_pNotifier; }
    CClockWnd* ClockWnd() const { return m_pClock; }
    QToolBar* ToolBar() const { return m_pToolBar; }
    QAction* Action(int id) const;
    // The text of status pane 0..3.
    QString PaneText(int pane) const;
    const std::string& AppDir() const { return m_Services.appDir; }

    // The engine's host.
    void SetStatusText(const std::string& text) override;
    void ShowNotice(const std::string& text) override;
    void SetPendingItem(const schedule::ScheduleItem* item) override;
    void SetTimetableTitle(const std::string& title) override;
    void RebuildList(const std::vector<schedule::ScheduleItem>& items, int nextIndex) override;
    void MarkNext(int nextIndex) override;
    int GetSelectedRow() const override;
    void ShowNotifier(const std::string& text, int appearMs, int stayMs, int disappearMs) override;
    bool IsPlayerVisible() const override;
    void ShowPlayer() override;
    void HidePlayer() override;
    void TrimMemory() override;

signals:
    // The frame has closed and the program should end.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowError(const std::string& text, const std::string& caption,
                   schedule::MessageOwner owner) override;

    void CreateToolBar();
    void CreateStatusBar();
    void CreateTrayIcon();
    void LoadSettings();
    void LoadPlugins();
    void PlaceClock();
    void ToggleView();
    void ShowAbout();
    QAction* MakeAction(int id, const QString& text, const QString& prompt, const QString& icon);
    void UpdateActionStates();

    FrameServices m_Services;
    schedule::CSettings m_Settings;
    schedule::CCommonTrackStore m_CommonTracks;
    schedule::CPlaylistStore m_Playlists;
    CEventLog m_EventLog;

    views::CPendingWnd* m_pPendingView = nullptr;
    QToolBar* m_pToolBar = nullptr;
    CClockWnd* m_pClock = nullptr;
    player::CPlayerDlg* m_pPlayer = nullptr;
    CTaskbarNotifier* m_pNotifier = nullptr;
    QSystemTrayIcon* m_pTray = nullptr;
    QLabel* m_pPanes[4] = {};
    std::map<int, QAction*> m_Actions;

    std::unique_ptr<engine::CScheduleEngine> m_pEngine;
    std::unique_ptr<engine::CTickDriver> m_pTickDriver;
    std::unique_ptr<engine::CPluginHost> m_pPluginHost;

    bool m_bClockShown = true;
    bool m_bShownOnce = false;
    bool m_bClosing = false;
};

}  // namespace app
