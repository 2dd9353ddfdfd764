#pragma once
// The extension-run items dialog: for each item of one day of a timetable, whether it
// runs the before-program and with which parameters. Changes go straight into the
// timetable's items and mark it modified; nothing is written to a file here.
//
// The main window opens it modelessly on its current timetable and today; it then
// deletes itself when it closes. Like the main window's list it changes items only when
// today rings the current timetable: on a special day it shows that day's items without
// letting them be changed. The timetable editor runs it modally (exec) on the timetable
// it edits.

#include <QDialog>

#include "editors/editor_host.h"
#include "schedule/timetable.h"

class QCheckBox;
class QLineEdit;
class QListWidget;

namespace editors {

class CExtRunItemsDlg : public QDialog {
    Q_OBJECT

public:
    // The main window's dialog: the current timetable and today, modeless.
    explicit CExtRunItemsDlg(IEditorHost& host, QWidget* parent = nullptr);
    // The given timetable and day; modal when the timetable editor runs it.
    CExtRunItemsDlg(IEditorHost& host, schedule::CTimetable& timetable, int day, bool modal,
                    QWidget* parent = nullptr);

    // Shows the items of the timetable's day; nothing is selected afterwards.
    void Attach(schedule::CTimetable& timetable, int day);

public slots:
    // The timetable's lists were replaced or rearranged (reloaded, another timetable
    // chosen, an item edited elsewhere): the list is refilled from them and the
    // selection dropped, so no change lands in an item that is no longer shown.
    void TimetableReplaced();

private:
    void Fill();
    void ShowSelected();
    // The timetable whose items the list shows: the attached one, or on a special day
    // (for the main window's dialog) the timetable that rings today.
    const schedule::CTimetable& Shown() const;
    // The selected item as it still stands in the timetable, or null. When the item at
    // the selected place is not the one shown, the lists changed under the dialog: it
    // refills itself and there is no selected item.
    schedule::ScheduleItem* SelectedItem();
    // Records that the selected item was changed by the dialog.
    void Changed(const schedule::ScheduleItem& item);
    void RunBeforeClicked(bool checked);
    void DefaultParamsClicked(bool checked);
    void ParamsEdited(const QString& text);

    IEditorHost& m_Host;
    schedule::CTimetable* m_pTimetable = nullptr;
    int m_nDay = -1;
    bool m_bModeless = true;
    // Whether the items shown may be changed; the main window's dialog not on a special day.
    bool m_bEditable = true;
    int m_nSelectedRow = -1;
    // The selected item as the dialog last saw it.
    schedule::ScheduleItem m_Selected;

    QListWidget* m_pList = nullptr;
    QCheckBox* m_pRunBefore = nullptr;
    QCheckBox* m_pDefaultParams = nullptr;
    QLineEdit* m_pParams = nullptr;
};

}  // namespace editors
