#include "session/timetable_commands.h"

#include <QDir>
#include <QFileInfo>
#include <utility>
#include <vector>

#include "platform/qt_text.h"
#include "schedule/app_paths.h"
#include "schedule/message_reporter.h"
#include "session/bell_session.h"

namespace session {

namespace {

using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;
using platform::Q;

constexpr const char* kTimetableFilter = "作息表文件(ZXB)|*.zxb|所有文件 (*.*)|*.*||";
constexpr const char* kChooseTitle = "选择当前作息表";
constexpr const char* kSaveQuestion = "作息表已经被修改过了,要保存作息表吗?";
constexpr const char* kSaveCaption = "保存作息表";
constexpr const char* kEditDroppedText =
    "编辑期间日期或作息表已经改变，这次对作息项的修改没有保存，请重新编辑。";
constexpr const char* kEditCaption = "编辑作息项";
constexpr const char* kDeleteQuestion = "真的要删除选中的作息表吗?";
constexpr const char* kDeleteCaption = "清除作息表项";
constexpr const char* kRefreshMissing = "找不到作息表文件 %1，仍按原来的作息表播放。";

}  // namespace

CTimetableCommands::CTimetableCommands(CBellSession& session, platform::Dialogs& dialogs,
                                       std::string appDir, std::function<void()> replaced)
    : m_Session(session),
      m_Dialogs(dialogs),
      m_strAppDir(std::move(appDir)),
      m_Replaced(std::move(replaced)) {}

std::string CTimetableCommands::ChooseTimetableFile(const char* title) {
    platform::FileDialogRequest request;
    request.title = title;
    request.folder = m_strAppDir + schedule::kTimetableFolder;
    request.filter = kTimetableFilter;
    const std::vector<std::string> files = m_Dialogs.ChooseFiles(request);
    // Relative paths of the settings, stores and plug-ins keep working after the dialog.
    QDir::setCurrent(Q(m_strAppDir));
    return files.empty() ? std::string() : files.front();
}

void CTimetableCommands::Choose() {
    if (!AskToSave()) {
        return;
    }
    const std::string path = ChooseTimetableFile(kChooseTitle);
    if (path.empty() || !m_Session.LoadTimetable(path)) {
        return;
    }
    m_Session.CurrentTimetable().ClearModified();
    m_Session.Settings().SetTimetablePath(schedule::MakeRelative(m_strAppDir, path));
    m_Session.SetStatus(std::string());
    m_Replaced();
}

void CTimetableCommands::Refresh() {
    schedule::CTimetable& timetable = m_Session.CurrentTimetable();
    if (timetable.IsLoaded()) {
        // The file is read into a fresh timetable first: one that cannot be read now
        // leaves the timetable in force ringing instead of an empty day (and, with the
        // automatic power-off, a machine switched off in the morning).
        const std::string path = timetable.GetPath();
        if (m_Session.LoadTimetable(path)) {
            timetable.ClearModified();
        } else if (!QFileInfo::exists(Q(path))) {
            m_Dialogs.Message(QString::fromUtf8(kRefreshMissing).arg(Q(path)).toStdString(),
                              schedule::kErrorCaption, MessageIcon::Error, MessageButtons::Ok);
        }
    }
    // A special day's timetable may have changed too.
    m_Session.ReplanToday();
    m_Replaced();
}

bool CTimetableCommands::AskToSave() {
    if (!m_Session.CurrentTimetable().IsModified() ||
        m_Dialogs.Message(kSaveQuestion, kSaveCaption, MessageIcon::Question,
                          MessageButtons::YesNo) != MessageAnswer::Yes) {
        return true;
    }
    return Save();
}

bool CTimetableCommands::Save() {
    schedule::CTimetable& timetable = m_Session.CurrentTimetable();
    if (timetable.GetPath().empty()) {
        return SaveAs();
    }
    // A save that failed (it says why) keeps the edits marked, so they are asked for
    // again instead of being lost.
    if (!timetable.Save(timetable.GetPath())) {
        return false;
    }
    timetable.ClearModified();
    return true;
}

bool CTimetableCommands::SaveAs() {
    // Items added without a timetable have no file yet: the user chooses one, as in the
    // timetable editor, and it becomes the current timetable.
    platform::FileDialogRequest request;
    request.folder = m_strAppDir + schedule::kTimetableFolder;
    request.filter = kTimetableFilter;
    request.save = true;
    request.defaultExtension = "zxb";
    const std::vector<std::string> chosen = m_Dialogs.ChooseFiles(request);
    QDir::setCurrent(Q(m_strAppDir));
    schedule::CTimetable& timetable = m_Session.CurrentTimetable();
    if (chosen.empty() || !timetable.Save(chosen.front())) {
        return false;
    }
    timetable.ClearModified();
    if (m_Session.LoadTimetable(chosen.front())) {
        m_Session.Settings().SetTimetablePath(schedule::MakeRelative(m_strAppDir, chosen.front()));
        m_Replaced();
    }
    return true;
}

void CTimetableCommands::DeleteRow(int row) {
    const int day = m_Session.Engine().Today();
    const schedule::ScheduleItem* selected = m_Session.Engine().Timetable().GetItem(day, row);
    if (selected == nullptr || m_Session.Engine().IsSpecialDay()) {
        return;
    }
    const schedule::ScheduleItem item = *selected;
    if (m_Dialogs.Message(kDeleteQuestion, kDeleteCaption, MessageIcon::Question,
                          MessageButtons::YesNo) != MessageAnswer::Yes) {
        return;
    }
    // While the question was open the day may have turned or the timetable changed:
    // then nothing is deleted.
    if (day == m_Session.Engine().Today()) {
        m_Session.DeleteItemToday(row, item);
    }
}

void CTimetableCommands::EditRow(int row, const EditItemFn& edit) {
    const engine::CScheduleEngine& engine = m_Session.Engine();
    if (engine.IsSpecialDay()) {
        return;
    }
    const bool newItem = row < 0;
    const int today = engine.Today();
    const schedule::ScheduleItem* current =
        newItem ? nullptr : engine.Timetable().GetItem(today, row);
    if (!newItem && current == nullptr) {
        return;
    }
    const schedule::ScheduleItem before = newItem ? schedule::ScheduleItem() : *current;
    const std::optional<schedule::ScheduleItem> edited =
        edit(newItem ? engine.NextItem() : before, !newItem);
    if (!edited) {
        return;
    }
    // While the editor was open the day may have turned or the timetable changed: the
    // edit goes nowhere rather than into another item, and the user is told.
    const bool changed =
        today == engine.Today() && (newItem ? m_Session.AddItemToday(*edited)
                                            : m_Session.ReplaceItemToday(row, before, *edited));
    if (!changed) {
        m_Dialogs.Message(kEditDroppedText, kEditCaption, MessageIcon::Warning, MessageButtons::Ok);
        return;
    }
    m_Replaced();
}

}  // namespace session
