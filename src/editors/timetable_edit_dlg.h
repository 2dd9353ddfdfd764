#pragma once
// The timetable editor: a title and the seven day lists of a timetable of its own, with
// commands to add, edit, delete and copy items, copy days and whole timetables, and save.
// Modeless; several may be open at once. It reaches the running schedule only through
// the files it writes.

#include <QDialog>
#include <string>

#include "editors/unsaved_work.h"
#include "schedule/app_paths.h"
#include "schedule/message_reporter.h"
#include "schedule/records.h"
#include "schedule/timetable.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabBar;
class QTableWidget;

namespace platform {
class Clock;
}

namespace editors {

class IEditorHost;

class CTimetableEditDlg : public QDialog, public IUnsavedWork, private schedule::IMessageReporter {
    Q_OBJECT

public:
    enum Mode : int { kViewMode = 1, kNewMode = 2, kModifyMode = 3 };

    static constexpr const char* kCaptionFormat = "作息表设置窗口 --- %1";
    static constexpr const char* kNewTitle = "新建作息表";
    static constexpr const char* kFolder = schedule::kTimetableFolder;
    static constexpr const char* kFilter = "作息表文件(ZXB)|*.zxb|所有文件 (*.*)|*.*||";
    static constexpr const char* kClearItemCaption = "清除作息表项";
    static constexpr const char* kDeleteFormat = "真的要删除 [%1-%2] 这一项作息表吗?";
    static constexpr const char* kClearDayText = "真的要清除这一天的作息表项吗?";
    static constexpr const char* kCopyDayFormat = "真的要复制%1的作息表到%2";
    static constexpr const char* kCopyDayCaption = "复制作息表项";
    static constexpr const char* kMakeCurrentText = "是否将其设为当前作息表？";
    static constexpr const char* kCopyFileText =
        "真的要将复制信息表到当前作息表吗?这样会先清空当前作息表!";
    static constexpr const char* kCopyFileCaption = "复制作息表";
    static constexpr const char* kSaveText =
        "真的要将编辑过的作息表保存吗,这会覆盖原来的作息表文件?";
    static constexpr const char* kSaveCaption = "保存作息表";
    static constexpr const char* kCloseSaveText = "作息表已经被修改过了,要保存作息表吗?";
    // The file a new timetable's unsaved copy is named after.
    static constexpr const char* kNewFileName = "新作息表.zxb";

    // Makes an editor in the given mode, not yet shown; it deletes itself when closed.
    // View and modify modes read path first and give null when it cannot be read (the
    // reading has then shown its message, if any). host and clock must outlive it.
    static CTimetableEditDlg* Create(IEditorHost& host, platform::Clock& clock, int mode,
                                     const std::string& path, QWidget* parent = nullptr);

    ~CTimetableEditDlg() override;

    int Mode() const { return m_nMode; }
    const std::string& File() const { return m_strFile; }
    const schedule::CTimetable& EditTimetable() const { return m_EditTimetable; }
    // The entries of the item list's pop-up menu for the current selection.
    void FillContextMenu(QMenu& menu);

    // Close, Escape and the window's X: a changed timetable is asked about first.
    void reject() override;

    bool CloseAsking() override;
    std::vector<std::string> KeepUnsavedAndClose() override;

private:
    CTimetableEditDlg(IEditorHost& host, platform::Clock& clock, QWidget* parent);

    bool OpenFile(const std::string& path);
    void SetMode(int mode);
    void BuildControls();
    void InitialiseDays();
    void FillFileList();
    void RefreshDayList();
    void ShowDay();
    void OnTabChanged(int index);
    void RebuildList();
    int SelectedRow() const;
    void OnRowClicked();
    void OnContextMenu(const QPoint& pos);
    void OnAdd();
    void OnEdit();
    void OnDelete();
    void OnClearDay();
    void OnCopyDay();
    void OnCopyFile();
    void OnSave();
    void OnSaveAs();
    void OnExtRunAll();
    // Puts the title field into the timetable; false when it is too long for the file.
    // Whether the timetable or its title changed since it was read or last saved.
    bool IsEdited() const;
    // Saves to the editor's file, asking for one when it has none; false when nothing
    // was written (the user cancelled or was told why).
    bool SaveForClose();
    bool TakeTitle();
    // The file chosen in a save dialog, or empty when it was cancelled.
    std::string ChooseSaveFile();
    bool Ask(const QString& text, const char* caption);
    // With no timetable current, asks whether the timetable just saved becomes the current
    // one (and rings today).
    void OfferAsCurrent();

    void ShowError(const std::string& text, const std::string& caption,
                   schedule::MessageOwner owner) override;

    IEditorHost& m_Host;
    platform::Clock& m_Clock;
    std::string m_strEditTitle;
    schedule::ScheduleItem m_CurrentItem;
    int m_nMode = kModifyMode;
    std::string m_strFile;
    schedule::CTimetable m_EditTimetable;
    int m_nDay = 1;
    bool m_bClosed = false;

    QLabel* m_pDayLabel = nullptr;
    QLineEdit* m_pTitle = nullptr;
    QTabBar* m_pTabs = nullptr;
    QTableWidget* m_pList = nullptr;
    QCheckBox* m_pCopyOnAdd = nullptr;
    QComboBox* m_pCopyOp = nullptr;
    QComboBox* m_pCopyFrom = nullptr;
    QComboBox* m_pFiles = nullptr;
    QPushButton* m_pSave = nullptr;
    QPushButton* m_pSaveAs = nullptr;
};

}  // namespace editors
