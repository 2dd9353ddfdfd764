#pragma once
// The common-track editor: edits the main window's common-track store in memory (a
// changed track takes effect at once) and writes "作息表/M2list.dat" only when the user
// confirms it on Save. Modeless; it deletes itself when it closes.

#include <QString>
#include <string>

#include "editors/store_editor_dlg.h"
#include "editors/store_list_model.h"
#include "schedule/common_track_store.h"
#include "schedule/records.h"

class QButtonGroup;
class QCheckBox;
class QPushButton;
class QRadioButton;

namespace editors {

class CTrackEntryPanel;
class IEditorHost;

class CCommonTrackDlg : public CStoreEditorDlg {
    Q_OBJECT

public:
    static constexpr const char* kTitle = "常用曲目编辑";
    static constexpr const char* kStoreFile = "作息表/M2list.dat";

    // Without a parent the dialog belongs to the host's window.
    explicit CCommonTrackDlg(IEditorHost& host, QWidget* parent = nullptr);

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

    int Order() const;
    void CheckOrder(int order);
    // Enables the controls that the order and the two check boxes of each track allow.
    void EnterOrderState(int order);

    void OnSelectRecord(int row) override;
    void AfterDelete() override;
    void AfterMove(int row, int moved) override;
    // The question and write-back that come before closing; false when a number field
    // holds no whole number and the editor stays open.
    bool PrepareClose() override;
    void OnClosed() override;

    void OnOrderClicked(int order);
    void OnNew();
    // Validates and adds the fields' track as a new one; true when added.
    bool AddFieldsTrack();
    void OnBrowse(CTrackEntryPanel* panel);
    void OnTrial();
    // Ends this dialog's trial play if it is still what plays.
    void StopTrial();
    void OnSave();
    void MarkEdited();

    // The store's tracks, which the list shows.
    CStoreListModel<schedule::CCommonTrackStore> m_Tracks;

    int m_nIndex = -1;
    bool m_bEdited = false;
    bool m_bStoreChanged = false;
    // The trial play this dialog started (0: none).
    int m_nTrial = 0;
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
