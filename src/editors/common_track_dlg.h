#pragma once
// The common-track editor: edits the main window's common-track store in memory (a
// changed track takes effect at once) and writes "作息表/M2list.dat" only when the user
// confirms it on Save. Modeless; it deletes itself when it closes.

#include <QDialog>
#include <QString>
#include <string>

#include "editors/unsaved_work.h"
#include "schedule/records.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace editors {

class CTrackEntryPanel;
class IEditorHost;

class CCommonTrackDlg : public QDialog, public IUnsavedWork {
    Q_OBJECT

public:
    static constexpr const char* kTitle = "常用曲目编辑";
    static constexpr const char* kStoreFile = "作息表/M2list.dat";

    // Without a parent the dialog belongs to the host's window.
    explicit CCommonTrackDlg(IEditorHost& host, QWidget* parent = nullptr);

    // Escape and the window's close button.
    void reject() override;

    // The program is closing: the typed track and a changed store are asked about.
    bool CloseAsking() override;
    // The store itself is kept by the program; the editor only closes.
    std::vector<std::string> KeepUnsavedAndClose() override;

private:
    void BuildLayout();
    void ConnectSignals();
    void ConnectTrackSignals(CTrackEntryPanel* panel);

    // Reads the number fields; false (after the prompt) when one holds no whole number.
    bool ReadControls();
    // The track the fields describe; false when a number field holds no whole number.
    bool ReadTrack(const CTrackEntryPanel* panel, schedule::TrackEntry& entry);
    bool ReadFieldsTrack(schedule::CommonTrack& track);
    // Shows the first reason the fields' track cannot be stored; true when it can.
    bool Validate(const schedule::CommonTrack& track);
    void EmptyNameAndFiles();

    void FillList();
    void SelectListRow(int row);
    int SelectedRow() const;

    int Order() const;
    void CheckOrder(int order);
    // Enables the controls that the order and the two check boxes of each track allow.
    void EnterOrderState(int order);

    void OnSelectTrack(int row);
    void OnOrderClicked(int order);
    void OnNew();
    // Validates and adds the fields' track as a new one; true when added.
    bool AddFieldsTrack();
    void OnDelete();
    void OnMove(bool down);
    void OnBrowse(CTrackEntryPanel* panel);
    void OnTrial();
    // Ends this dialog's trial play if it is still what plays.
    void StopTrial();
    void OnSave();
    // The question and write-back that come before closing; false when a number field
    // holds no whole number and the editor stays open.
    bool PrepareClose();
    // Writes the store file; false (the user was told) when it could not be written.
    bool SaveStoreFile();
    void MarkEdited();

    IEditorHost& m_Host;

    int m_nIndex = -1;
    bool m_bEdited = false;
    bool m_bStoreChanged = false;
    // The trial play this dialog started (0: none).
    int m_nTrial = 0;
    // Set while the dialog puts values into its controls: their notices are not edits.
    bool m_bUpdating = false;
    bool m_bClosed = false;

    QListWidget* m_pList = nullptr;
    QPushButton* m_pUp = nullptr;
    QPushButton* m_pDelete = nullptr;
    QPushButton* m_pDown = nullptr;
    QLineEdit* m_pName = nullptr;
    QPushButton* m_pNew = nullptr;
    CTrackEntryPanel* m_pMain = nullptr;
    CTrackEntryPanel* m_pSecondary = nullptr;
    QButtonGroup* m_pOrderGroup = nullptr;
    QRadioButton* m_pOrderButtons[3] = {};
    QCheckBox* m_pTrialMain = nullptr;
    QCheckBox* m_pTrialSecondary = nullptr;
    QPushButton* m_pTrial = nullptr;
    QPushButton* m_pSave = nullptr;
    QPushButton* m_pExit = nullptr;
};

}  // namespace editors
