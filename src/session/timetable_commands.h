#pragma once
// The main window's commands on the current timetable and today's list: choose, refresh,
// save, and delete, add or edit a list item. They ask their questions through
// platform::Dialogs and change the day only through the session, so they hold no widget
// and are tested without windows; the window passes the item editor in as a function.

#include <functional>
#include <optional>
#include <string>

#include "platform/dialogs.h"
#include "schedule/records.h"

namespace session {

class CBellSession;

class CTimetableCommands {
public:
    // Shows the item editor on an item (modify: an existing one); the edited item, or
    // none when the user cancelled.
    using EditItemFn = std::function<std::optional<schedule::ScheduleItem>(
        const schedule::ScheduleItem& item, bool modify)>;

    // appDir is the program folder, ending with '/'. replaced is called whenever the
    // current timetable was replaced or today's list changed, so its views are rebuilt.
    CTimetableCommands(CBellSession& session, platform::Dialogs& dialogs, std::string appDir,
                       std::function<void()> replaced);

    // "选择作息表": asks to save unsaved edits, then makes a chosen file current.
    void Choose();
    // Reads the current timetable's file again; one that cannot be read now leaves the
    // timetable in force ringing. A special day's timetable is read again too.
    void Refresh();
    // Saves the current timetable (one without a file asks for one); false (the user was
    // told) when it was not written or the user cancelled.
    bool Save();
    // With unsaved edits, asks whether to save them; false when saving failed.
    bool AskToSave();
    // Deletes today's row after the question, unless the day turned or the timetable
    // changed while it was open.
    void DeleteRow(int row);
    // Edits today's row (or adds an item when row is -1) through edit; an edit that finds
    // the day turned or the timetable changed is dropped, and the user is told.
    void EditRow(int row, const EditItemFn& edit);

    // The timetable file dialog's chosen file ("" when cancelled), with the program
    // folder made the working folder again.
    std::string ChooseTimetableFile(const char* title);

private:
    bool SaveAs();

    CBellSession& m_Session;
    platform::Dialogs& m_Dialogs;
    std::string m_strAppDir;
    std::function<void()> m_Replaced;
};

}  // namespace session
