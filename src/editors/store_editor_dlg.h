#pragma once
// What the common-track and playlist editors share: the column with the store's names
// (a view of the store through its list model), the buttons that move and delete one,
// the name field with "新增(&A)", writing the store's file, and closing with the
// questions each editor asks. Modeless; it deletes itself when it closes.

#include <QDialog>
#include <string>

#include "editors/unsaved_work.h"

class QLineEdit;
class QListView;
class QPushButton;
class QVBoxLayout;

namespace editors {

class CStoreListModelBase;
class IEditorHost;

// The captions and object names of the column, and the texts about the store's file.
struct StoreEditorTexts {
    const char* listLabel;
    const char* listName;
    const char* upName;
    const char* deleteName;
    const char* downName;
    const char* nameTitle;
    const char* nameLabel;
    // The file under the program folder, and what is said when its folder is missing.
    const char* storeFile;
    const char* writeError;
    const char* saveQuestion;
    const char* saveCaption;
};

class CStoreEditorDlg : public QDialog, public IUnsavedWork {
    Q_OBJECT

public:
    // Escape and the window's close button.
    void reject() override;

    // The program is closing: the editor's own questions, then a changed store is asked
    // about; false when the editor stays open.
    bool CloseAsking() override;
    // The store itself is kept by the program; the editor only closes.
    std::vector<std::string> KeepUnsavedAndClose() override;

protected:
    // Without a parent the dialog belongs to the host's window.
    CStoreEditorDlg(IEditorHost& host, QWidget* parent, const StoreEditorTexts& texts);

    // Puts the column's view on model (the editor's, over its store) and connects its
    // buttons; the column's layout, for the editor to place.
    QVBoxLayout* BuildColumn(CStoreListModelBase* model);

    // The user selected a row of the column.
    virtual void OnSelectRecord(int row) = 0;
    // A record was deleted from the store; the fields no longer show a stored one.
    virtual void AfterDelete() = 0;
    // The record at row moved to moved (the same row at either end).
    virtual void AfterMove(int row, int moved) = 0;
    // The questions and write-back that come before closing; false when the editor
    // stays open.
    virtual bool PrepareClose() = 0;
    // The dialog has closed, however it closed.
    virtual void OnClosed() {}

    // Selects row (none for -1) without taking it for the user's choice.
    void SelectListRow(int row);
    // The column's current row while it is selected, otherwise -1.
    int SelectedRow() const;
    // Asks the editor's save question; true when it was answered No or the file was
    // written, false (the user was told) when the file could not be written.
    bool AskAndSave();
    // Writes the store file; false (the user was told) when it could not be written.
    bool SaveStoreFile();

    IEditorHost& m_Host;
    // Set while the dialog puts values into its controls: their notices are not edits.
    bool m_bUpdating = false;
    bool m_bClosed = false;

    QListView* m_pList = nullptr;
    QPushButton* m_pUp = nullptr;
    QPushButton* m_pDelete = nullptr;
    QPushButton* m_pDown = nullptr;
    QLineEdit* m_pName = nullptr;
    QPushButton* m_pNew = nullptr;

private:
    void OnDelete();
    void OnMove(bool down);

    const StoreEditorTexts m_Texts;
    CStoreListModelBase* m_pModel = nullptr;
};

}  // namespace editors
