#include "app/main_frame.h"

#include <malloc.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <utility>

#include "app/command_ids.h"
#include "app/snapcast_notice.h"
#include "editors/common_track_dlg.h"
#include "editors/playlist_dlg.h"
#include "editors/unsaved_work.h"
#include "engine/engine_texts.h"
#include "engine/plugin_host.h"
#include "platform/qt_text.h"
#include "player/player_dlg.h"
#include "remote/remote_server.h"
#include "schedule/app_paths.h"
#include "schedule/store_file.h"
#include "views/pending_wnd.h"
#include "views/schedule_list_view.h"
#include "views/view_style.h"
#include "widgets/clock_wnd.h"
#include "widgets/taskbar_notifier.h"

namespace app {

namespace {

using schedule::kMusicFolder;
using schedule::kTimetableFolder;

using platform::Q;

// The name a timetable without a file of its own is kept under when the program ends.
constexpr const char* kNoTimetableFile = "无作息表.zxb";
constexpr const char* kTrayTooltip = "Varnel";
constexpr const char* kNoAudioNotice = "没有可用的音频输出";
constexpr const char* kRemoteFailed = "远程控制无法开启：";
constexpr const char* kRemoteTokenNotKept = "远程控制的令牌无法写入设置文件";
constexpr const char* kNoAudioMessage =
    "没有找到可用的音频输出设备。\n作息表照常计时，作息项照常显示为已播放，但不会发出声音。";

constexpr const char* kOutputFallbackNotice = "输出设备不可用，已改用系统默认输出";
constexpr const char* kNotifierSkin = ":/widgets/notifier_skin.png";
// The emergency broadcast: the engine's pane in red, the notifier and the pending view.
constexpr const char* kEmergencyPaneStyle =
    "QLabel { background-color: #d00000; color: white; font-weight: bold; }";
constexpr const char* kEmergencyNotify = "紧急广播：";
constexpr const char* kEmergencyEndedNotify = "紧急广播已解除";
const std::string kEmergencyNote = "紧急广播中：";
constexpr int kEmergencyNotifierStayMs = 10000;
constexpr int kNotifierFontSize = 90;
constexpr int kNotifierHoverStyle = 4;
constexpr int kNotifierTextLeft = 10;
constexpr int kNotifierTextTop = 50;
constexpr int kNotifierTextRightInset = 10;
constexpr int kNotifierTextBottomInset = 25;

constexpr int kClockInset = 1;
constexpr int kToolbarIconSize = 16;

// The folder the autostart entry passes with --dir: none when it is the executable's own.
QString ProgramFolderArgument(const FrameServices& services) {
    const QString folder = QDir(Q(services.appDir)).absolutePath();
    const QString own = QFileInfo(Q(services.executable)).absolutePath();
    return folder == own ? QString() : folder;
}

session::SessionOptions SessionOptionsOf(const FrameServices& services,
                                         schedule::IMessageReporter* reporter,
                                         std::function<void()> beforeTick) {
    session::SessionOptions options;
    options.appDir = services.appDir;
    options.eventLogPath = services.eventLogPath;
    options.loadPlugins = services.loadPlugins;
    options.startTick = services.startTickDriver;
    options.power = services.power;
    options.runProgram = services.runProgram;
    options.reporter = reporter;
    options.setAudioOutput = services.setAudioOutput;
    options.startLeadMs = services.startLeadMs;
    options.clockSync = services.clockSync;
    options.beforeTick = std::move(beforeTick);
    return options;
}

}  // namespace

CMainFrame::CMainFrame(FrameServices services, QWidget* parent)
    : QMainWindow(parent),
      m_Services(std::move(services)),
      m_Session(*m_Services.clock, *this,
                SessionOptionsOf(m_Services, this, [this] { RefreshClock(); })),
      m_Timetable(m_Session, *m_Services.dialogs, m_Services.appDir,
                  [this] { emit timetableReplaced(); }),
      m_Autostart(Q(m_Services.executable), ProgramFolderArgument(m_Services)) {
    setWindowTitle(QString::fromUtf8(kFrameTitle));
    setWindowIcon(QIcon(QStringLiteral(":/app/qelt.png")));
    resize(kFrameWidth, kFrameHeight);
    setMinimumSize(kFrameMinWidth, kFrameMinHeight);
}

CMainFrame::~CMainFrame() {
    // Editors standing on their own (opened over a modal one) go with the frame.
    for (auto& [id, dialog] : m_OpenDialogs) {
        if (dialog && dialog->parent() == nullptr) {
            delete dialog;
        }
    }
    // The player window outlives the frame's members only through the session's
    // references: the tick and the remote page stop first, and nothing plays into a
    // deleted window.
    m_pRemote.reset();
    m_Session.Stop();
    delete m_pPlayer;
    delete m_pNotifier;
}

bool CMainFrame::Create() {
    m_pPendingView = new views::CPendingWnd(this);
    m_pPendingView->installEventFilter(this);
    setCentralWidget(m_pPendingView);
    m_pActions = new CFrameActions(
        *this, [this](int id) { OnCommand(id); }, [this] { UpdateActionStates(); });
    m_pActions->Create();
    CreateStatusBar();

    // The program folder is the current folder, and the timetables live in "作息表".
    QDir::setCurrent(Q(m_Services.appDir));
    QDir(Q(m_Services.appDir)).mkpath(QString::fromUtf8(kTimetableFolder));

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = frameGeometry();
        area.moveCenter(screen->availableGeometry().center());
        move(area.topLeft());
    }

    m_pPlayer =
        new player::CPlayerDlg(*m_Services.audio, m_Session.Settings(), *m_Services.dialogs, this);
    m_pPlayer->installEventFilter(this);
    m_pPlayer->SetOpenFolder(m_Services.appDir + kMusicFolder);
    connect(m_pPlayer, &player::CPlayerDlg::playbackFinished, this, [this] {
        TellSnapcastTrouble();
        OnFrameNotice(kNoticePlaybackEnded);
    });
    connect(m_pPlayer, &player::CPlayerDlg::filesOpened, this,
            [this] { m_Session.MarkManualPlay(); });
    connect(m_pPlayer, &player::CPlayerDlg::trackStarted, this, [this](const QString& path) {
        m_Session.LogTrackStarted(path.toStdString());
        if (m_Services.takeOutputFallback && m_Services.takeOutputFallback()) {
            Log("notice", kOutputFallbackNotice);
            ShowNotice(kOutputFallbackNotice);
        }
        TellSnapcastTrouble();
    });
    connect(m_pPlayer, &player::CPlayerDlg::announceRequested, this, [this] { Announce(); });
    connect(m_pPlayer, &player::CPlayerDlg::openFailed, this, [this](const QString& path) {
        const std::string file = path.toStdString();
        m_Session.LogOpenFailed(
            file, m_Services.speechFailure ? m_Services.speechFailure(file) : std::string());
    });

    m_pClock = new CClockWnd(*m_Services.clock, m_pActions->ToolBar());
    m_pClock->SetBackColour(QColor(0, 0, 0));
    m_pClock->SetTextColour(QColor(0, 255, 0));
    m_pClock->SetExternalTick(m_Services.startTickDriver);
    m_pActions->ToolBar()->installEventFilter(this);
    PlaceClock();

    // Without a parent the popup still shows while the main window is hidden.
    m_pNotifier = new CTaskbarNotifier();
    m_pNotifier->SetSkin(QString::fromUtf8(kNotifierSkin));
    m_pNotifier->SetTextFont(QStringLiteral("Arial"), kNotifierFontSize, 0, kNotifierHoverStyle);
    m_pNotifier->SetTextColor(QColor(0, 0, 0), QColor(0, 0, 200));
    const QSize skin = m_pNotifier->size();
    m_pNotifier->SetTextRect(QRect(
        QPoint(kNotifierTextLeft, kNotifierTextTop),
        QPoint(skin.width() - kNotifierTextRightInset, skin.height() - kNotifierTextBottomInset)));
    // A click on the notifier brings the player up; it never hides a player already shown.
    connect(m_pNotifier, &CTaskbarNotifier::clicked, this, [this] {
        ShowPlayer();
        UpdateActionStates();
    });

    m_pPendingView->GetListView()->SetStores(&m_Session.CommonTracks(), &m_Session.Playlists());
    connect(m_pPendingView->GetListView(), &views::CScheduleListView::rightClicked, this,
            [this] { OnFrameNotice(kNoticeListRightClick); });

    // The day starts: the stores, the settings with the timetable, the plug-ins, the tick.
    m_Session.Start(*m_pPlayer);

    BuildTrackMenus();
    CreateTrayIcon();
    LoadSettings();
    BuildPluginMenu();
    UpdateActionStates();

    if (!m_Services.audioOutputAvailable) {
        ReportNoAudioOutput();
    }
    if (std::string error; !ApplyRemoteSettings(&error)) {
        Log("error", std::string(kRemoteFailed) + error);
    }
    return true;
}

bool CMainFrame::ApplyRemoteSettings(std::string* error) {
    const bool wasOn = m_pRemote != nullptr;
    m_pRemote.reset();
    remote::RemoteConfig config = remote::ReadRemoteConfig(m_Session.Settings().File());
    bool listening = !config.enabled;
    if (config.enabled && remote::EnsureToken(m_Session.Settings().File(), config)) {
        auto server = std::make_unique<remote::CRemoteServer>(
            m_Session, [this] { return m_pPlayer != nullptr ? &m_pPlayer->Engine() : nullptr; });
        QString reason;
        listening = server->Listen(config, &reason);
        if (listening) {
            m_pRemote = std::move(server);
            Log("remote-on", config.address + ":" + std::to_string(config.port));
        } else if (error != nullptr) {
            *error = reason.toStdString();
        }
    } else if (config.enabled && error != nullptr) {
        *error = kRemoteTokenNotKept;
    }
    // Pane 3 says so while the page is on; another notice there stays while it is off.
    if (m_pRemote) {
        m_pPanes[3]->setText(QString::fromUtf8(kRemoteOnNotice));
    } else if (wasOn) {
        m_pPanes[3]->setText(QString::fromUtf8(kMakerNotice));
    }
    return listening;
}

void CMainFrame::LoadSettings() {
    // The session read the engine's keys and loaded the current timetable; the frame
    // reads the keys of the windows.
    const schedule::CSettings& settings = m_Session.Settings();
    m_pPendingView->SetCaption(settings.GetSchoolName());
    // The view starts in the opposite mode and is switched once, as the command does.
    m_pPendingView->SetPendingMode(settings.GetShowPending() ? 0 : 1);
    ToggleView();
    m_pPendingView->SetShowPicture(settings.GetShowBackgroundPicture());
    const std::string picture = settings.GetBackgroundPicture();
    m_pPendingView->LoadBackgroundPicture(picture.empty() || picture == " "
                                              ? picture
                                              : schedule::ResolvePath(m_Services.appDir, picture));
    m_pPendingView->SetBackColour(static_cast<std::uint32_t>(settings.GetBackgroundColor()));
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    for (int i = 0; i < 4; ++i) {
        m_pPanes[i] = new QLabel(bar);
        m_pPanes[i]->setObjectName(QStringLiteral("pane%1").arg(i));
    }
    m_pPanes[0]->setText(QString::fromUtf8(kIdleText));
    m_pPanes[0]->setMinimumWidth(kStatusPaneMinWidth);
    m_pPanes[1]->setFixedWidth(kEnginePaneWidth);
    m_pPanes[2]->setText(QString::fromUtf8(kProductPane));
    m_pPanes[3]->setText(QString::fromUtf8(kMakerNotice));
    // Pane 0 gives way to the commands' prompts; the others stay.
    bar->addWidget(m_pPanes[0], 1);
    for (int i = 1; i < 4; ++i) {
        bar->addPermanentWidget(m_pPanes[i]);
    }
}

void CMainFrame::CreateTrayIcon() {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        return;
    }
    m_pTray = new QSystemTrayIcon(windowIcon(), this);
    m_pTray->setToolTip(QString::fromUtf8(kTrayTooltip));
    m_pTray->setContextMenu(m_pActions->TrayMenu());
    connect(m_pTray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) {
                    RestoreAndRaise();
                }
            });
    m_pTray->show();
}

QString CMainFrame::PaneText(int pane) const {
    if (pane < 0 || pane > 3) {
        return QString();
    }
    if (pane == 0 && !statusBar()->currentMessage().isEmpty()) {
        return statusBar()->currentMessage();
    }
    return m_pPanes[pane]->text();
}

void CMainFrame::ReportNoAudioOutput() {
    Log("notice", kNoAudioNotice);
    ShowNotice(kNoAudioNotice);
    QTimer::singleShot(0, this, [this] {
        m_Services.dialogs->Message(kNoAudioMessage, kFrameTitle, platform::MessageIcon::Warning,
                                    platform::MessageButtons::Ok);
    });
}

void CMainFrame::Shutdown() {
    if (m_bClosing) {
        return;
    }
    m_bClosing = true;
    m_pRemote.reset();
    m_Session.Stop();
    if (m_pTray != nullptr) {
        m_pTray->hide();
    }
    // The system is ending the program (a logout): no one can be asked, so unsaved work
    // goes to fresh copies beside its files instead of being lost, and no message may
    // wait for an answer on the way.
    for (const QPointer<QDialog>& dialog : OpenEditors()) {
        if (auto* editor = dynamic_cast<editors::IUnsavedWork*>(dialog.data())) {
            for (const std::string& copy : editor->KeepUnsavedAndClose()) {
                Log("unsaved", copy);
            }
        }
    }
    const auto keep = [this](auto& file, const std::string& path) {
        file.SetReporter(nullptr);
        const std::string copy = schedule::FreshCopyName(path, editors::kUnsavedSuffix);
        if (file.Save(copy)) {
            Log("unsaved", copy);
        }
    };
    schedule::CTimetable& timetable = m_Session.CurrentTimetable();
    if (timetable.IsModified()) {
        keep(timetable, timetable.GetPath().empty()
                            ? m_Services.appDir + kTimetableFolder + "/" + kNoTimetableFile
                            : timetable.GetPath());
    }
    if (m_Session.CommonTracks().IsModified()) {
        keep(m_Session.CommonTracks(), m_Services.appDir + editors::CCommonTrackDlg::kStoreFile);
    }
    if (m_Session.Playlists().IsModified()) {
        keep(m_Session.Playlists(), m_Services.appDir + editors::CPlaylistDlg::kStoreFile);
    }
    Log("exit");
}

std::vector<QPointer<QDialog>> CMainFrame::OpenEditors() {
    // The frame's own dialogs, and the store editors opened from a modal item editor,
    // which stand on their own.
    std::vector<QPointer<QDialog>> open;
    for (QDialog* dialog : findChildren<QDialog*>(Qt::FindDirectChildrenOnly)) {
        if (dialog->isVisible()) {
            open.emplace_back(dialog);
        }
    }
    for (const auto& [id, dialog] : m_OpenDialogs) {
        if (dialog && dialog->isVisible() &&
            std::find(open.begin(), open.end(), dialog) == open.end()) {
            open.push_back(dialog);
        }
    }
    return open;
}

bool CMainFrame::CloseEditorsAsking() {
    for (const QPointer<QDialog>& dialog : OpenEditors()) {
        if (auto* editor = dynamic_cast<editors::IUnsavedWork*>(dialog.data())) {
            if (dialog && !editor->CloseAsking()) {
                dialog->raise();
                dialog->activateWindow();
                return false;
            }
        }
    }
    return true;
}

void CMainFrame::Tick() {
    m_Session.Tick();
}

void CMainFrame::RefreshClock() {
    // A window hidden in the notification area is not repainted: it wakes nobody.
    if (m_pClock != nullptr && m_bClockShown && m_pClock->isVisible()) {
        m_pClock->Refresh();
    }
}

void CMainFrame::RestoreAndRaise() {
    if (isMinimized()) {
        showNormal();
    } else {
        show();
    }
    raise();
    activateWindow();
}

void CMainFrame::PlaceClock() {
    if (m_pClock == nullptr) {
        return;
    }
    const QRect bar = m_pActions->ToolBar()->rect();
    m_pClock->setGeometry(bar.right() - kClockRightGap + 1, bar.top() + kClockInset, kClockWidth,
                          bar.height() - 2 * kClockInset);
    m_pClock->raise();
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pActions->ToolBar() && event->type() == QEvent::Resize) {
        PlaceClock();
    } else if (watched == m_pPlayer &&
               (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        // The player hides itself too ("_", Esc): its button and menu mark follow at once.
        m_pActions->SetCheck(kCmdShowPlayer, event->type() == QEvent::Show);
    } else if (watched == m_pPendingView && event->type() == QEvent::Paint && !m_bShownOnce) {
        m_bShownOnce = true;
        Log("start", kFrameTitle);
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    UpdateWindowCommandText();
}

void CMainFrame::hideEvent(QHideEvent* event) {
    QMainWindow::hideEvent(event);
    UpdateWindowCommandText();
}

void CMainFrame::UpdateWindowCommandText() {
    if (m_pActions == nullptr) {
        return;
    }
    const bool shown = isVisible() && !isMinimized();
    m_pActions->SetText(kCmdHideMainWindow, shown ? QStringLiteral("隐藏主界面(&H)")
                                                  : QStringLiteral("显示主界面(&H)"));
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        UpdateWindowCommandText();
    }
    if (event->type() == QEvent::WindowStateChange && isMinimized() && m_pTray != nullptr) {
        // Minimised, the program lives on in the notification area only.
        TrimMemory();
        QTimer::singleShot(0, this, [this] {
            if (isMinimized()) {
                hide();
            }
        });
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_bClosing) {
        event->accept();
        return;
    }
    // Each open editor closes through its own path first, with its questions; an editor
    // that stays open, or a save the user asked for that failed (it said why), keeps the
    // program open with the edits rather than closing and losing them.
    if (!CloseEditorsAsking() || !m_Timetable.AskToSave()) {
        event->ignore();
        return;
    }
    if (m_bClosing) {
        // The system ended the program while a question was open.
        event->accept();
        return;
    }
    m_bClosing = true;
    if (m_pTray != nullptr) {
        m_pTray->hide();
    }
    m_Session.Stop();
    // The player window keeps its position for the next start as it closes.
    if (m_pPlayer) {
        m_pPlayer->close();
    }
    m_pNotifier->Hide();
    Log("exit");
    event->accept();
    emit closed();
}

void CMainFrame::ShowError(const std::string& text, const std::string& caption,
                           schedule::MessageOwner) {
    m_Services.dialogs->Message(text, caption, platform::MessageIcon::Error,
                                platform::MessageButtons::Ok);
}

// The engine's host.

void CMainFrame::SetStatusText(const std::string& text) {
    const QString value = Q(text);
    if (m_pPanes[1]->text() != value) {
        m_pPanes[1]->setText(value);
        m_pPanes[1]->repaint();
    }
}

void CMainFrame::TellSnapcastTrouble() {
    if (!m_Services.takeSnapcastNotice) {
        return;
    }
    if (const char* text = SnapcastNoticeText(m_Services.takeSnapcastNotice())) {
        Log(kSnapcastLogKind, text);
        ShowNotice(text);
    }
}

void CMainFrame::ShowNotice(const std::string& text) {
    m_pPanes[3]->setText(text.empty() ? QString::fromUtf8(kMakerNotice) : Q(text));
}

void CMainFrame::LogEvent(const std::string&, const std::string&) {
    // The session has written the line to the logs; the frame shows nothing of it.
}

void CMainFrame::Log(const std::string& kind, const std::string& text) {
    m_Session.Log(kind, text);
}

void CMainFrame::SetHoliday(bool holiday) {
    m_pPendingView->SetHoliday(holiday);
    if (holiday) {
        // The day's items are shown, all passed: none of them rings today.
        NextRowChanged(-1);
    }
}

void CMainFrame::SetPendingItem(const schedule::ScheduleItem* item) {
    m_pPendingView->SetNextItem(item);
}

void CMainFrame::SetTimetableTitle(const std::string& title) {
    // Items added without a timetable still belong to none until they are saved.
    const bool none = m_Session.IsStarted() && m_Session.CurrentTimetable().GetPath().empty();
    m_pPendingView->SetTimetableTitle(
        none && title.empty() ? std::string(views::texts::kNoTimetable) : title);
}

void CMainFrame::DayListChanged(const std::vector<schedule::ScheduleItem>& items, int nextIndex) {
    m_pPendingView->GetListView()->Rebuild(items, nextIndex);
}

void CMainFrame::NextRowChanged(int nextIndex) {
    m_pPendingView->GetListView()->MarkNext(nextIndex);
}

int CMainFrame::GetSelectedRow() const {
    return m_pPendingView->GetListView()->GetSelectedRow();
}

void CMainFrame::ShowNotifier(const std::string& text, int appearMs, int stayMs, int disappearMs) {
    m_pNotifier->Show(Q(text), appearMs, stayMs, disappearMs);
}

bool CMainFrame::IsPlayerVisible() const {
    return m_pPlayer && m_pPlayer->isVisible();
}

void CMainFrame::ShowPlayer() {
    if (m_pPlayer) {
        m_pPlayer->show();
    }
    UpdateActionStates();
}

void CMainFrame::HidePlayer() {
    if (m_pPlayer) {
        m_pPlayer->hide();
    }
    UpdateActionStates();
}

void CMainFrame::TrimMemory() {
    malloc_trim(0);
}

void CMainFrame::EmergencyChanged(bool on, const std::string& path) {
    m_strEmergencyFile = on ? path : std::string();
    // The engine's pane turns red while it plays, and the notifier says it either way.
    m_pPanes[1]->setStyleSheet(on ? QString::fromUtf8(kEmergencyPaneStyle) : QString());
    const std::string name = QFileInfo(Q(path)).fileName().toStdString();
    m_pNotifier->Show(
        on ? Q(std::string(kEmergencyNotify) + name) : QString::fromUtf8(kEmergencyEndedNotify),
        engine::kNotifierAppearMs, kEmergencyNotifierStayMs, engine::kNotifierDisappearMs);
    UpdateDayNote();
    UpdateActionStates();
}

void CMainFrame::SetMakeupWeekday(int weekday) {
    m_nMakeupWeekday = weekday;
    UpdateDayNote();
}

void CMainFrame::UpdateDayNote() {
    if (!m_strEmergencyFile.empty()) {
        m_pPendingView->SetDayNote(
            kEmergencyNote + QFileInfo(Q(m_strEmergencyFile)).fileName().toStdString(), true);
    } else if (m_nMakeupWeekday >= 0 && m_nMakeupWeekday < 7) {
        m_pPendingView->SetDayNote(
            engine::texts::FormatText(engine::texts::kMakeupDay,
                                      {schedule::kWeekdayNames[m_nMakeupWeekday]}),
            false);
    } else {
        m_pPendingView->SetDayNote(std::string(), false);
    }
}

}  // namespace app
