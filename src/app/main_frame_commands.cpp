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
#include "editors/speak_dlg.h"
#include "editors/timetable_edit_dlg.h"
#include "engine/plugin_host.h"
#include "platform/qt_text.h"
#include "player/player_dlg.h"
#include "schedule/app_paths.h"
#include "views/pending_wnd.h"
#include "views/schedule_list_view.h"
#include "widgets/clock_wnd.h"
#include "widgets/hyper_link.h"

namespace app {

namespace {

using platform::Q;

constexpr const char* kPictureFilter =
    "图像文件(GIF,JPG,BMP)|*.jpg;*.bmp;*gif|所有文件 (*.*)|*.*||";
constexpr const char* kPictureFolder = "背景图片";
constexpr const char* kChoosePictureTitle = "选择背景图片";
constexpr const char* kChooseEmergencyFile = "选择紧急广播文件";
const std::string kEmergencyFileFailed = "无法播放紧急广播文件：";
constexpr const char* kEmergencyCaption = "紧急广播";
constexpr const char* kAnnouncementNotWritten = "无法把播报的文字保存到“音乐库/播报”文件夹。";
const std::string kAnnouncementNotSpoken = "无法播报：";
constexpr const char* kAutostartFailed = "无法写入随系统启动的设置，请检查配置文件夹的权限。";
constexpr const char* kViewTimetableTitle = "选择需要查看的作息表";
constexpr const char* kModifyTimetableTitle = "编辑作息表";
constexpr const char* kRefreshQuestion = "是否要刷新当前作息表!";
constexpr const char* kRefreshCaption = "清除作息表项";
constexpr int kModeView = editors::CTimetableEditDlg::kViewMode;
constexpr int kModeNew = editors::CTimetableEditDlg::kNewMode;
constexpr int kModeModify = editors::CTimetableEditDlg::kModifyMode;
constexpr std::uint32_t kDefaultBackColour = views::CPendingWnd::kDefaultBackColour;

}  // namespace

void CMainFrame::BuildTrackMenus() {
    std::vector<std::string> commonTracks;
    m_Session.CommonTracks().GetNames(commonTracks);
    std::vector<std::string> playlists;
    m_Session.Playlists().GetNames(playlists);
    m_pActions->BuildTrackMenus(commonTracks, playlists);
}

void CMainFrame::BuildPluginMenu() {
    engine::CPluginHost* plugins = m_Session.Plugins();
    if (plugins != nullptr) {
        m_pActions->BuildPluginMenu(plugins->BuildPluginMenu());
    }
}

QMenu* CMainFrame::BuildListContextMenu() {
    // On a special day the list shows another timetable's day: its rows can be played
    // but not edited through the current timetable.
    return m_pActions->BuildListContextMenu(!m_Session.Engine().IsSpecialDay(),
                                            GetSelectedRow() >= 0,
                                            m_Session.Engine().Timetable().IsModified());
}

void CMainFrame::UpdateActionStates() {
    if (!m_Session.IsStarted()) {
        return;
    }
    const bool autoPlay = m_Session.Options().autoPlay;
    m_pActions->SetCheck(kCmdAutoPlay, autoPlay);
    m_pActions->SetText(kCmdAutoPlay, autoPlay ? QStringLiteral("自动播放作息表(&P)")
                                               : QStringLiteral("停止播放作息表(&P)"));
    m_pActions->SetEnabled(kCmdRefreshTimetable, m_Session.Engine().Timetable().IsLoaded());
    m_pActions->SetCheck(kCmdAutoShutdown, m_Session.Options().autoShutdown);
    m_pActions->SetCheck(kCmdShowPlayer, IsPlayerVisible());
    const bool list = m_pPendingView->GetPendingMode() == 0;
    m_pActions->SetCheck(kCmdSwitchView, list);
    m_pActions->SetText(kCmdSwitchView,
                        list ? QStringLiteral("切换至待播(&Q)") : QStringLiteral("切换至列表(&Q)"));
    m_pActions->SetCheck(kCmdShowClock, m_bClockShown);
    const bool picture = m_pPendingView->GetShowPicture();
    m_pActions->SetCheck(kCmdShowPicture, picture);
    m_pActions->SetText(kCmdDefaultPicture, picture ? QStringLiteral("系统默认图片(&M)")
                                                    : QStringLiteral("系统默认颜色(&M)"));
    m_pActions->SetEnabled(kCmdCustomPicture, picture);
    m_pActions->SetEnabled(kCmdCustomColour, !picture);
    m_pActions->SetCheck(kCmdAutostart, m_Autostart.IsAutostartSet());
    UpdateWindowCommandText();
    m_pActions->SetCheck(kCmdToolBar, m_pActions->ToolBar()->isVisible() || !isVisible());
    m_pActions->SetCheck(kCmdStatusBar, statusBar()->isVisible() || !isVisible());
    // While an emergency broadcast plays, the same place ends it.
    m_pActions->SetText(kCmdEmergency, m_Session.IsEmergency() ? QStringLiteral("解除紧急广播(&J)")
                                                               : QStringLiteral("紧急广播(&J)..."));
    m_pActions->SetEnabled(kCmdAnnounce, !m_Session.IsEmergency());
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
            m_Timetable.Choose();
            break;
        case kCmdRefreshTimetable:
            m_Timetable.Refresh();
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
            m_pActions->ToolBar()->setVisible(!m_pActions->ToolBar()->isVisible());
            break;
        case kCmdStatusBar:
            statusBar()->setVisible(!statusBar()->isVisible());
            break;
        case kCmdDeleteItem:
            m_Timetable.DeleteRow(GetSelectedRow());
            break;
        case kCmdSaveTimetable:
            m_Timetable.Save();
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
    } else if (id == kCmdAnnounce) {
        Announce();
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
            break;
    }
    UpdateActionStates();
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
    request.folder = last.empty() ? m_Services.appDir + schedule::kMusicFolder
                                  : lastFile.absolutePath().toStdString();
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

void CMainFrame::Announce() {
    if (m_Session.IsEmergency()) {
        return;  // nothing is spoken over an emergency broadcast
    }
    editors::CSpeakDlg dialog(this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const std::optional<std::string> file = m_Session.Announce(dialog.Text());
    std::string failure;
    if (!file) {
        failure = kAnnouncementNotWritten;
    } else if (m_Services.speechFailure) {
        if (const std::string reason = m_Services.speechFailure(*file); !reason.empty()) {
            failure = kAnnouncementNotSpoken + reason;
        }
    }
    if (!failure.empty()) {
        m_Services.dialogs->Message(failure, schedule::kErrorCaption, platform::MessageIcon::Error,
                                    platform::MessageButtons::Ok);
    }
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
    platform::FileDialogRequest request;
    request.title = kChoosePictureTitle;
    request.folder = m_Services.appDir + kPictureFolder;
    request.filter = kPictureFilter;
    const std::vector<std::string> files = m_Services.dialogs->ChooseFiles(request);
    // Relative paths of the settings, stores and plug-ins keep working after the dialog.
    QDir::setCurrent(Q(m_Services.appDir));
    if (files.empty()) {
        return;
    }
    const std::string& path = files.front();
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
    m_pActions->SetCheck(kCmdAutostart, set);
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
        // Choosing the command toggled its mark; the dialog is still open.
        m_pActions->SetCheck(id, true);
        return;
    }
    open = (this->*make)();
    connect(
        open, &QDialog::finished, this, [this, id] { OnEditorClosed(id); },
        Qt::SingleShotConnection);
    open->show();
    m_pActions->SetCheck(id, true);
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
        path = m_Timetable.ChooseTimetableFile(mode == kModeView ? kViewTimetableTitle
                                                                 : kModifyTimetableTitle);
        if (path.empty()) {
            return;
        }
    }
    // Several may be open at once; each deletes itself when it closes.
    if (editors::CTimetableEditDlg* editor =
            editors::CTimetableEditDlg::Create(*this, *m_Services.clock, mode, path, this)) {
        connect(
            editor, &QDialog::finished, this, [this, mode] { OnTimetableEditorClosed(mode); },
            Qt::SingleShotConnection);
        editor->show();
    }
}

void CMainFrame::EditListItem(bool newItem) {
    m_Timetable.EditRow(newItem ? -1 : GetSelectedRow(),
                        [this](const schedule::ScheduleItem& item,
                               bool modify) -> std::optional<schedule::ScheduleItem> {
                            editors::CItemEditDlg editor(*this, *m_Services.clock, this);
                            editor.SetItem(item, modify);
                            if (editor.exec() != QDialog::Accepted) {
                                return std::nullopt;
                            }
                            return editor.Item();
                        });
}

void CMainFrame::OnEditorClosed(int id) {
    m_OpenDialogs.erase(id);
    m_pActions->SetCheck(id, false);
    if (m_bClosing) {
        // The program is ending: nothing is rebuilt or asked.
        return;
    }
    if (id == kCmdCommonTracks || id == kCmdPlaylists) {
        BuildTrackMenus();
        RefreshDayList();
    }
    if (id == kCmdHolidays) {
        // A calendar written by the dialog counts at once, not on the next tick.
        m_Session.CheckCalendar();
    }
}

void CMainFrame::OnTimetableEditorClosed(int mode) {
    if (!m_bClosing && mode == kModeModify &&
        m_Services.dialogs->Message(
            kRefreshQuestion, kRefreshCaption, platform::MessageIcon::Question,
            platform::MessageButtons::YesNo) == platform::MessageAnswer::Yes) {
        OnCommand(kCmdRefreshTimetable);
    }
}

void CMainFrame::RefreshDayList() {
    const engine::CScheduleEngine& engine = m_Session.Engine();
    if (const schedule::CTimetable::Day* items = engine.DayTimetable().GetDay(engine.Today())) {
        DayListChanged(*items, engine.IsHoliday() ? -1 : engine.NextIndex());
    }
}

}  // namespace app
