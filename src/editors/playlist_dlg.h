#pragma once
// The playlist editor: edits a copy of one playlist at a time and writes it back into the
// main window's playlist store when the user moves on (the schedule plays from the store
// at once); "作息表/Mlist.dat" is written only when the user confirms it on Save.
// Modeless; it deletes itself when it closes.

#include <string>

#include "editors/store_editor_dlg.h"
#include "editors/store_list_model.h"
#include "schedule/playlist_store.h"
#include "schedule/records.h"

class QCheckBox;
class QComboBox;
class QListView;
class QPushButton;

namespace editors {

class CNumberField;
class CTrackEntryPanel;
class IEditorHost;

class CPlaylistDlg : public CStoreEditorDlg {
    Q_OBJECT

public:
    static constexpr const char* kTitle = "列表曲目编辑";
    static constexpr const char* kStoreFile = "作息表/Mlist.dat";
    static constexpr const char* kAddRowText = "添加新的曲目...";

    // Without a parent the dialog belongs to the host's window.
    explicit CPlaylistDlg(IEditorHost& host, QWidget* parent = nullptr);

private:
    void BuildLayout();
    void ConnectSignals();

    // Reads the number fields; false (after the prompt) when one holds no whole number.
    bool ReadControls();
    // Copies the entry fields over the entry's play settings and path.
    void ReadEntryFields(schedule::TrackEntry& entry);
    void ReadRandomFields(schedule::Playlist& playlist);
    int ReadNumber(const CNumberField* field);
    void ShowRandom(const schedule::Playlist& playlist);
    void SetFileText(const std::string& text);
    void ApplyEnabling();

    // Shows m_Playlist's entries anew and the row for adding, which it selects; no entry
    // is being edited afterwards.
    void FillFileList();
    void SelectFileRow(int row);
    int SelectedFileRow() const;
    bool IsEntryRow(int row) const;

    // Writes the entry fields of the entry being edited into m_Playlist when they
    // changed; afterwards no entry is being edited.
    void WritePendingEntry();
    // Shows the file list's row in the entry fields (an entry, or the row for adding).
    void LoadFileRow(int row);
    void OnFileRowSelected(int row);
    // Stores m_Playlist when it changed; false when a number field holds no whole number.
    bool WriteBackPlaylist();
    // Writes back the shown playlist and shows the one at row (none for -1).
    bool ShowPlaylist(int row);
    void OnSelectRecord(int row) override;
    void AfterDelete() override;
    void AfterMove(int row, int moved) override;
    void OnNew();
    // Checks and adds m_Playlist under the name field's name; true when added.
    bool AddPlaylist();
    void OnMoveEntry(bool down);
    void OnDeleteEntry();
    void OnFileTextChanged();
    void OnBrowse();
    void OnTrial();
    void StopPlayer();
    // The question and write-back that come before closing; false when a number field
    // holds no whole number and the editor stays open.
    bool PrepareClose(const char* addCaption);
    bool PrepareClose() override;
    void OnClosed() override;
    void OnSave();
    void MarkEdited();

    // The store's playlists, which the list shows.
    CStoreListModel<schedule::CPlaylistStore> m_Playlists;
    schedule::Playlist m_Playlist;
    // m_Playlist's entries, which the file list shows.
    CEntryListModel m_Entries{m_Playlist.entries, QString::fromUtf8(kAddRowText)};
    int m_nListIndex = -1;
    int m_nEntryIndex = -1;
    bool m_bEdited = false;
    // The trial play this dialog started (0: none).
    int m_nTrial = 0;
    QListView* m_pFiles = nullptr;
    QPushButton* m_pEntryUp = nullptr;
    QPushButton* m_pEntryDelete = nullptr;
    QPushButton* m_pEntryDown = nullptr;
    CTrackEntryPanel* m_pEntry = nullptr;
    QCheckBox* m_pRandom = nullptr;
    QComboBox* m_pRandomKind = nullptr;
    CNumberField* m_pRandomLimit = nullptr;
    QCheckBox* m_pSingleTrial = nullptr;
    QPushButton* m_pTrial = nullptr;
    QPushButton* m_pSave = nullptr;
    QPushButton* m_pExit = nullptr;
};

}  // namespace editors
