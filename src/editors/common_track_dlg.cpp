#include "editors/common_track_dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "editors/editor_host.h"
#include "editors/editor_support.h"
#include "editors/number_field.h"
#include "editors/text_limit.h"
#include "editors/track_entry_panel.h"
#include "engine/engine_player.h"
#include "schedule/app_paths.h"
#include "schedule/texts.h"

namespace editors {

namespace {

using schedule::CommonTrack;
using schedule::TrackEntry;

constexpr const char* kNoName = "标题不能为空!";
constexpr const char* kNameFirst = "请先填写曲目名";
constexpr const char* kNoMainFile = "主曲目文件不能为空";
constexpr const char* kNoSecondaryFile = "辅曲的曲目文件不能为空";
constexpr const char* kDuplicateName = "常用曲目列表中已经存在相同的曲目名,请换名重试!";
constexpr const char* kBadFormat = "您所选中的文件格式错误,请另行选择";
constexpr const char* kNoTrialOption = "没有选中试播选项,不能试播!";
constexpr const char* kAddQuestion = "当前的曲目还没有加入列表中,是否要加入列表中去?";
constexpr const char* kAddCaption = "保存常用曲目";
constexpr const char* kSaveQuestion =
    "    真的要将编辑过的常用曲目保存到文件吗?\r\n如果您不保存的话,本次编辑的内容在程序运行\r\n"
    "期间还是有效的,但退出程序后就会失效!";
constexpr const char* kSaveCaption = "保存常用曲目到文件";

}  // namespace

CCommonTrackDlg::CCommonTrackDlg(IEditorHost& host, QWidget* parent)
    : CStoreEditorDlg(host, parent,
                      {.listLabel = "常用曲目列表:",
                       .listName = "trackList",
                       .upName = "moveUpButton",
                       .deleteName = "deleteButton",
                       .downName = "moveDownButton",
                       .nameTitle = "常用曲目名:",
                       .nameLabel = "曲目名:",
                       .storeFile = kStoreFile,
                       .writeError = schedule::texts::kCommonTracksWriteError,
                       .saveQuestion = kSaveQuestion,
                       .saveCaption = kSaveCaption}),
      m_Tracks(host.CommonTracks()) {
    setObjectName(QStringLiteral("CommonTrackDlg"));
    setWindowTitle(QString::fromUtf8(kTitle));
    BuildLayout();
    ConnectSignals();

    // Opening: no track is shown, the name field waits for "新增(&A)".
    UpdateGuard guard(m_bUpdating);
    m_pName->setEnabled(false);
    CheckOrder(schedule::NoSecondary);
    EnterOrderState(schedule::NoSecondary);
}

void CCommonTrackDlg::BuildLayout() {
    QVBoxLayout* column = BuildColumn(&m_Tracks);

    auto* right = new QVBoxLayout;
    const QString browseText = QStringLiteral("浏览...");
    m_pMain = new CTrackEntryPanel(QStringLiteral("主曲及播放模式:"), QStringLiteral("main"),
                                   browseText, this);
    m_pSecondary = new CTrackEntryPanel(QStringLiteral("辅曲及播放模式:"),
                                        QStringLiteral("secondary"), browseText, this);
    right->addWidget(m_pMain);
    right->addWidget(m_pSecondary);

    auto* orderBox = new QGroupBox(QStringLiteral("主辅曲顺序:"), this);
    m_pOrderGroup = new QButtonGroup(this);
    const char* orderTexts[] = {"无辅曲", "先主曲，后辅曲", "先辅曲，后主曲"};
    const char* orderNames[] = {"noSecondaryRadio", "mainFirstRadio", "secondaryFirstRadio"};
    auto* orderLayout = new QHBoxLayout(orderBox);
    for (int order = 0; order < 3; ++order) {
        m_pOrderButtons[order] = new QRadioButton(QString::fromUtf8(orderTexts[order]), orderBox);
        m_pOrderButtons[order]->setObjectName(QString::fromUtf8(orderNames[order]));
        m_pOrderGroup->addButton(m_pOrderButtons[order], order);
        orderLayout->addWidget(m_pOrderButtons[order]);
    }
    right->addWidget(orderBox);

    m_pTrialMain = new QCheckBox(QStringLiteral("试播主曲"), this);
    m_pTrialMain->setObjectName(QStringLiteral("trialMainCheck"));
    m_pTrialMain->setChecked(true);
    m_pTrialSecondary = new QCheckBox(QStringLiteral("试播辅曲"), this);
    m_pTrialSecondary->setObjectName(QStringLiteral("trialSecondaryCheck"));
    m_pTrialSecondary->setChecked(true);
    m_pTrial = new QPushButton(QStringLiteral("试播(&P)"), this);
    m_pTrial->setObjectName(QStringLiteral("trialButton"));
    m_pTrial->setAutoDefault(false);
    m_pSave = new QPushButton(QStringLiteral("保存(&S)"), this);
    m_pSave->setObjectName(QStringLiteral("saveButton"));
    m_pSave->setDefault(true);
    m_pExit = new QPushButton(QStringLiteral("退出(&X)"), this);
    m_pExit->setObjectName(QStringLiteral("exitButton"));
    m_pExit->setAutoDefault(false);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_pTrialMain);
    bottom->addWidget(m_pTrialSecondary);
    bottom->addStretch(1);
    bottom->addWidget(m_pTrial);
    bottom->addWidget(m_pSave);
    bottom->addWidget(m_pExit);
    right->addLayout(bottom);

    auto* columns = new QHBoxLayout(this);
    columns->addLayout(column, 2);
    columns->addLayout(right, 3);
}

void CCommonTrackDlg::ConnectTrackSignals(CTrackEntryPanel* panel) {
    connect(panel->FileEdit(), &QLineEdit::textChanged, this, [this] { MarkEdited(); });
    connect(panel, &CTrackEntryPanel::Edited, this, [this] { MarkEdited(); });
    connect(panel->BrowseButton(), &QPushButton::clicked, this, [this, panel] { OnBrowse(panel); });
}

void CCommonTrackDlg::ConnectSignals() {
    connect(m_pName, &QLineEdit::textChanged, this, [this] { MarkEdited(); });
    connect(m_pNew, &QPushButton::clicked, this, &CCommonTrackDlg::OnNew);
    ConnectTrackSignals(m_pMain);
    ConnectTrackSignals(m_pSecondary);
    connect(m_pOrderGroup, &QButtonGroup::idClicked, this, &CCommonTrackDlg::OnOrderClicked);
    connect(m_pTrial, &QPushButton::clicked, this, &CCommonTrackDlg::OnTrial);
    connect(m_pSave, &QPushButton::clicked, this, &CCommonTrackDlg::OnSave);
    connect(m_pExit, &QPushButton::clicked, this, &CCommonTrackDlg::reject);
}

void CCommonTrackDlg::MarkEdited() {
    if (!m_bUpdating) {
        m_bEdited = true;
    }
}

bool CCommonTrackDlg::ReadControls() {
    int seconds = 0;
    int volume = 0;
    return m_pMain->ReadNumbers(m_Host.Dialogs(), seconds, volume) &&
           m_pSecondary->ReadNumbers(m_Host.Dialogs(), seconds, volume);
}

bool CCommonTrackDlg::ReadTrack(const CTrackEntryPanel* panel, TrackEntry& entry) {
    int seconds = 0;
    int volume = 0;
    if (!panel->ReadNumbers(m_Host.Dialogs(), seconds, volume)) {
        return false;
    }
    panel->ReadEntry(entry, seconds, volume);
    entry.length = schedule::kUnknownLength;
    return true;
}

bool CCommonTrackDlg::ReadFieldsTrack(CommonTrack& track) {
    track.name = S(m_pName->text());
    track.order = Order();
    return ReadTrack(m_pMain, track.main) && ReadTrack(m_pSecondary, track.secondary);
}

bool CCommonTrackDlg::Validate(const CommonTrack& track) {
    const char* missing = nullptr;
    if (track.name.empty()) {
        missing = kNoName;
    } else if (track.main.path.empty()) {
        missing = kNoMainFile;
    } else if (track.order != schedule::NoSecondary && track.secondary.path.empty()) {
        missing = kNoSecondaryFile;
    }
    if (missing != nullptr) {
        ShowError(m_Host.Dialogs(), missing);
        return false;
    }
    const std::pair<const std::string*, QString> texts[] = {
        {&track.name, QStringLiteral("曲目名")},
        {&track.main.path, QStringLiteral("主曲的文件名")},
        {&track.secondary.path, QStringLiteral("辅曲的文件名")},
    };
    for (const auto& [text, what] : texts) {
        if (!TextFits(*text, kFileTextMaxBytes)) {
            ShowTooLong(m_Host.Dialogs(), what, kFileTextMaxBytes);
            return false;
        }
    }
    return true;
}

void CCommonTrackDlg::EmptyNameAndFiles() {
    UpdateGuard guard(m_bUpdating);
    m_pName->clear();
    m_pMain->FileEdit()->clear();
    m_pSecondary->FileEdit()->clear();
}

int CCommonTrackDlg::Order() const {
    const int order = m_pOrderGroup->checkedId();
    return order < 0 ? schedule::NoSecondary : order;
}

void CCommonTrackDlg::CheckOrder(int order) {
    if (order < schedule::NoSecondary || order > schedule::SecondaryFirst) {
        order = schedule::SecondaryFirst;
    }
    m_pOrderButtons[order]->setChecked(true);
}

void CCommonTrackDlg::EnterOrderState(int order) {
    const bool withSecondary = order != schedule::NoSecondary;
    // The group box carries all its children: disabling it disables every control of
    // the secondary track at once.
    m_pSecondary->setEnabled(withSecondary);
    m_pTrialSecondary->setEnabled(withSecondary);
    m_pMain->ApplyEnabling();
    m_pSecondary->ApplyEnabling();
}

void CCommonTrackDlg::OnOrderClicked(int order) {
    if (!ReadControls()) {
        return;
    }
    EnterOrderState(order);
    m_bEdited = true;
}

void CCommonTrackDlg::OnSelectRecord(int row) {
    if (row != m_nIndex && m_Tracks.Get(m_nIndex) != nullptr && m_bEdited) {
        if (!ReadControls()) {
            // Stay on the track whose field needs a whole number.
            SelectListRow(m_nIndex);
            return;
        }
        CommonTrack track;
        // A track that does not validate is not written back: its edits are replaced
        // by the newly selected track below.
        if (ReadFieldsTrack(track) && Validate(track) && m_Tracks.Replace(m_nIndex, track)) {
            m_bStoreChanged = true;
        }
    }
    const CommonTrack* track = m_Tracks.Get(row);
    if (track == nullptr) {
        return;
    }
    {
        UpdateGuard guard(m_bUpdating);
        m_pName->setText(Q(track->name));
        m_pMain->ShowEntry(track->main);
        m_pSecondary->ShowEntry(track->secondary);
        m_pName->setEnabled(false);
        CheckOrder(track->order);
    }
    m_nIndex = row;
    EnterOrderState(Order());
    // A track that has just been selected counts as unedited.
    m_bEdited = false;
}

void CCommonTrackDlg::OnNew() {
    if (!ReadControls()) {
        return;
    }
    if (!m_pName->isEnabled()) {
        m_pName->setEnabled(true);
        // Files chosen before "新增" start the new track: only the name is missing.
        if (m_nIndex < 0 && (!m_pMain->FileEdit()->text().isEmpty() ||
                             !m_pSecondary->FileEdit()->text().isEmpty())) {
            ShowError(m_Host.Dialogs(), kNameFirst);
            m_pName->setFocus();
            return;
        }
        EmptyNameAndFiles();
        m_nIndex = -1;
        // The shown track is no longer the one being edited; clicking it loads it again.
        SelectListRow(-1);
        m_pName->setFocus();
        return;
    }
    AddFieldsTrack();
}

bool CCommonTrackDlg::AddFieldsTrack() {
    CommonTrack track;
    if (!ReadFieldsTrack(track) || !Validate(track)) {
        return false;
    }
    if (!m_Tracks.Add(track)) {
        ShowError(m_Host.Dialogs(), kDuplicateName);
        return false;
    }
    m_bStoreChanged = true;
    m_nIndex = -1;
    m_bEdited = false;
    EmptyNameAndFiles();
    return true;
}

void CCommonTrackDlg::AfterDelete() {
    m_bStoreChanged = true;
    // Nothing is written back from the deleted track's fields.
    m_nIndex = -1;
}

void CCommonTrackDlg::AfterMove(int row, int moved) {
    m_nIndex = moved;
    if (moved != row) {
        m_bStoreChanged = true;
    }
}

void CCommonTrackDlg::OnBrowse(CTrackEntryPanel* panel) {
    if (!ReadControls()) {
        return;
    }
    const std::string& appDir = m_Host.AppDir();
    const std::vector<std::string> chosen = m_Host.Dialogs().ChooseFiles(MusicFileRequest(appDir));
    if (chosen.empty()) {
        return;
    }
    const std::string path = schedule::MakeRelative(appDir, chosen.front());
    {
        UpdateGuard guard(m_bUpdating);
        panel->FileEdit()->setText(Q(path));
    }
    const std::uint32_t length = m_Host.Player().ProbeLength(schedule::ResolvePath(appDir, path));
    if (length == engine::kLengthUnknown) {
        ShowError(m_Host.Dialogs(), kBadFormat);
        UpdateGuard guard(m_bUpdating);
        panel->FileEdit()->clear();
    } else if (length > 0) {
        const int seconds = static_cast<int>(length / kMsPerSecond);
        UpdateGuard guard(m_bUpdating);
        panel->SecondsField()->SetValue(seconds);
        panel->ShowLength(seconds);
    }
    // A browsed file is an edit of the shown track like a typed one, so selecting
    // another track writes it back.
    m_bEdited = true;
}

void CCommonTrackDlg::OnTrial() {
    if (!ReadControls()) {
        return;
    }
    // A second press stops this dialog's trial; it never stops a bell.
    if (m_Host.Session().IsTrialPlaying(m_nTrial)) {
        StopTrial();
        return;
    }
    TrackEntry main;
    TrackEntry secondary;
    if (!ReadTrack(m_pMain, main) || !ReadTrack(m_pSecondary, secondary)) {
        return;
    }
    const bool trialMain = m_pTrialMain->isChecked();
    const bool trialSecondary = m_pTrialSecondary->isChecked();
    if (!trialMain && !trialSecondary) {
        ShowError(m_Host.Dialogs(), kNoTrialOption);
        return;
    }

    // Which tracks the trial plays, in order, each with its own settings unless changed.
    std::vector<TrackEntry> queue;
    const int order = Order();
    if (order == schedule::NoSecondary) {
        if (trialMain) {
            queue.push_back(main);
        }
    } else if (!trialSecondary) {
        queue.push_back(main);
    } else if (!trialMain) {
        queue.push_back(secondary);
    } else if (order == schedule::MainFirst) {
        // After the main track the secondary one plays at the default volume.
        secondary.useDefaultVolume = 1;
        secondary.volume = kFullVolume;
        queue = {main, secondary};
    } else {
        queue = {secondary, main};
    }
    if (queue.empty()) {
        return;
    }
    std::vector<TrialFile> files;
    files.reserve(queue.size());
    for (const TrackEntry& entry : queue) {
        files.push_back(TrialFile{entry.path, entry.fullPlay != 0 ? -1 : entry.limit,
                                  entry.useDefaultVolume, entry.volume});
    }
    m_nTrial = StartTrial(m_Host, files);
}

void CCommonTrackDlg::StopTrial() {
    m_Host.Session().EndTrial(m_nTrial);
    m_nTrial = 0;
}

bool CCommonTrackDlg::PrepareClose() {
    if (!ReadControls()) {
        return false;
    }
    if (m_pName->isEnabled() && !m_pName->text().isEmpty() &&
        !m_pMain->FileEdit()->text().isEmpty() &&
        (Order() == schedule::NoSecondary || !m_pSecondary->FileEdit()->text().isEmpty())) {
        if (Ask(m_Host.Dialogs(), kAddQuestion, kAddCaption)) {
            AddFieldsTrack();
        }
    }
    if (m_Tracks.Get(m_nIndex) != nullptr && m_bEdited) {
        CommonTrack track;
        if (ReadFieldsTrack(track) && Validate(track) && m_Tracks.Replace(m_nIndex, track)) {
            m_bStoreChanged = true;
        }
    }
    return true;
}

void CCommonTrackDlg::OnSave() {
    if (!PrepareClose()) {
        return;
    }
    if (m_bStoreChanged) {
        m_bStoreChanged = false;
        // A failed write was said; the editor stays open so that it can be tried again.
        if (!AskAndSave()) {
            m_bStoreChanged = true;
            return;
        }
    }
    reject();
}

void CCommonTrackDlg::OnClosed() {
    StopTrial();
}

}  // namespace editors
