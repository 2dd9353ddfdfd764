#pragma once
// The modal dialog in which one schedule item is created or changed: title, time, kind
// of music with its file or name, play mode, and the program run before it. It never
// touches a timetable: the caller fills it with SetItem, runs it and takes Item().

#include <QDialog>
#include <array>
#include <string>

#include "schedule/records.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimeEdit;

namespace platform {
class Clock;
}

namespace editors {

class CNumberField;
class IEditorHost;

class CItemEditDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kCannotOpenNow = "全曲长:文件现在无法打开";
    static constexpr const char* kTitle = "作息表项目编辑";
    static constexpr const char* kErrorCaption = "错误";
    static constexpr const char* kTitleEmpty = "作息项标题为空,请填写完整后再重试!";
    static constexpr const char* kNameEmpty = "曲目名为空,请填写完整后再重试!";
    static constexpr const char* kWrongFormat = "您所选中的文件格式错误,请另行选择";
    static constexpr const char* kLengthFormat = "全曲长:%1秒";
    static constexpr const char* kCommonEditorText = "打开常用曲目编辑器(&E)";
    static constexpr const char* kPlaylistEditorText = "打开列表曲目编辑器(&E)";
    // A text longer than this many encoded bytes would not fit the timetable file.
    static constexpr int kMaxTextBytes = 259;
    static constexpr int kMaxVolume = 100;
    static constexpr int kMaxSeconds = 1000;

    // "now" comes from clock, for items whose time is 0. host and clock must outlive
    // the dialog.
    CItemEditDlg(IEditorHost& host, platform::Clock& clock, QWidget* parent = nullptr);
    ~CItemEditDlg() override;

    // The item a new schedule item starts from: common music at the current time, run
    // before it with the default parameters.
    static schedule::ScheduleItem NewItem();

    // Fills the dialog from an item; call before it is shown. An item's time of 0 shows
    // the current time, as a new item starts now; an existing item being edited
    // (editing set) keeps 00:00:00, so confirming it never moves it.
    void SetItem(const schedule::ScheduleItem& item, bool editing = false);
    // The edited item, valid after OK.
    schedule::ScheduleItem& Item() { return m_Item; }

    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    // Back from a store editor: the names list shows what the store holds now.
    void changeEvent(QEvent* event) override;
    // Escape in the names list closes only its open drop-down, never the whole item.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    // Fills the controls from the item when the dialog first shows.
    void InitialiseFromItem();
    void EnterSingleMode();
    void EnterStoreMode(int kind);
    // Fills the names list from the store of the shown kind, keeping the chosen name.
    void FillNames();
    void OnKindClicked(int kind);
    void UpdateDependentFields();
    void OnEditorButton();
    void OnBrowse();
    void OnTrialPlay();
    void StopTrial();
    // Measures file and shows its length; false when it cannot be opened.
    bool Measure(const std::string& file, bool setSeconds);
    void DropFile();
    // Refuses a text that would not fit the timetable file, focusing its control.
    bool CheckTextFits(const QString& text, const char* what, QWidget* control);

    IEditorHost& m_Host;
    platform::Clock& m_Clock;
    schedule::ScheduleItem m_Item;
    // The kind the radio buttons show; the item takes it on OK.
    int m_nKind = schedule::CommonMusic;
    // The file last measured or chosen: the one trial play starts.
    std::string m_strFile;
    bool m_bFileMeasured = false;
    // The trial play this dialog started (0: none).
    int m_nTrial = 0;
    bool m_bEditing = false;
    bool m_bInitialised = false;

    QComboBox* m_pTitle = nullptr;
    QTimeEdit* m_pTime = nullptr;
    QLineEdit* m_pNameEdit = nullptr;
    QComboBox* m_pNameList = nullptr;
    QPushButton* m_pEditorButton = nullptr;
    std::array<QRadioButton*, 3> m_pKind{};
    QLineEdit* m_pFile = nullptr;
    QPushButton* m_pBrowse = nullptr;
    QCheckBox* m_pFullPlay = nullptr;
    QLabel* m_pSecondsLabel = nullptr;
    CNumberField* m_pSeconds = nullptr;
    QLabel* m_pSecondsUnit = nullptr;
    QCheckBox* m_pAutoPlay = nullptr;
    QLabel* m_pVolumeLabel = nullptr;
    CNumberField* m_pVolume = nullptr;
    QCheckBox* m_pDefaultVolume = nullptr;
    QLabel* m_pLength = nullptr;
    QCheckBox* m_pRunBefore = nullptr;
    QLabel* m_pParamsLabel = nullptr;
    QLineEdit* m_pParams = nullptr;
    QCheckBox* m_pDefaultParams = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;
    QPushButton* m_pTrial = nullptr;
};

}  // namespace editors
