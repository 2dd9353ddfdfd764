#pragma once
// The preset titles dialog: the titles the schedule item editor offers, edited in a list
// that is the only copy while the dialog is open and written to the settings when it
// closes and the user agrees; a failed write is said and keeps the dialog open with the
// titles. Modeless: it deletes itself when it closes.

#include <QDialog>

#include "editors/editor_host.h"

class QLineEdit;
class QListWidget;

namespace editors {

class CPresetTitleDlg : public QDialog {
    Q_OBJECT

public:
    // The parent defaults to the host's window.
    explicit CPresetTitleDlg(IEditorHost& host, QWidget* parent = nullptr);

public slots:
    // Escape, "退出(&X)" and the window's close button: asks to save changed titles first.
    void reject() override;

private:
    int SelectedRow() const;
    void SelectRow(int row);
    bool Ask(const char* format, const char* caption, int row);
    void AddTitle();
    void ChangeTitle();
    void DeleteTitle();
    void MoveTitle(int delta);

    IEditorHost& m_Host;
    QListWidget* m_pList = nullptr;
    QLineEdit* m_pTitle = nullptr;
    bool m_bTitlesChanged = false;
    bool m_bClosed = false;
};

}  // namespace editors
