#pragma once
// The holiday dialog: the day calendar's entries (holidays, special days that ring
// another timetable, and make-up days that ring another weekday's items) in date order, with
// controls to add a day or a range of days and to remove the selected entry. OK writes the calendar
// file in one step, keeping the lines it did not touch; Cancel writes nothing. Modeless: it deletes
// itself when it closes.

#include <QDate>
#include <QDialog>
#include <string>

#include "editors/editor_host.h"
#include "editors/unsaved_work.h"
#include "schedule/day_calendar.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace editors {

class CHolidayDlg : public QDialog, public IUnsavedWork {
    Q_OBJECT

public:
    // The parent defaults to the host's window.
    explicit CHolidayDlg(IEditorHost& host, QWidget* parent = nullptr);

public slots:
    void accept() override;

public:
    // The program is closing: changed entries are asked about, and saved on Yes.
    bool CloseAsking() override;
    std::vector<std::string> KeepUnsavedAndClose() override;

private:
    void FillTimetables();
    // Shows the calendar's entries sorted by date and selects the one on lineIndex.
    void FillList(int selectLine);
    void ShowErrors();
    void AddEntry();
    void RemoveEntry();
    void ShowError(const QString& text);

    IEditorHost& m_Host;
    std::string m_strPath;
    schedule::CDayCalendar m_Calendar;
    // The file exists but could not be read: writing it would lose what it holds.
    bool m_bUnreadable = false;
    bool m_bChanged = false;
    bool m_bClosed = false;
    // The start date before its last change, for the end date to follow it.
    QDate m_PreviousFrom;

    QTreeWidget* m_pList = nullptr;
    QLabel* m_pErrors = nullptr;
    QDateEdit* m_pFrom = nullptr;
    QDateEdit* m_pTo = nullptr;
    QComboBox* m_pTimetable = nullptr;
    // "按...的作息": the weekday whose items ring, or the date's own (no choice).
    QComboBox* m_pWeekday = nullptr;
    QPushButton* m_pOk = nullptr;
};

}  // namespace editors
