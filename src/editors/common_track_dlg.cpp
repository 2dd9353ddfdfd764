#include "editors/common_track_dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "editors/editor_host.h"
#include "editors/number_field.h"
#include "editors/text_limit.h"
#include "player/player_dlg.h"
#include "schedule/app_paths.h"

namespace editors {

namespace {

using schedule::CommonTrack;
using schedule::TrackEntry;

constexpr const char* kErrorCaption = "错误";
constexpr const char* kNoName = "标题不能为空!";
constexpr const char* kNoMainFile = "主曲目文件不能为空";
constexpr const char* kNoSecondaryFile = "辅曲的曲目文件不能为空";
constexpr const char* kDuplicateName = "常用曲目列表中已经存在相同的曲目名,请换名重试!";
constexpr const char* kBadFormat = "您所选中的文件格式错误,请另行选择";
constexpr const char* kNoTrialOption = "没有选中试播选项,不能试播!";
constexpr const char* kDeleteQuestion = "真的要删除当前选中的内容吗?";
constexpr const char* kDeleteCaption = "删除当前内容";
constexpr const char* kAddQuestion = "当前的曲目还没有加入列表中,是否要加入列表中去?";
constexpr const char* kAddCaption = "保存常用曲目";
constexpr const char* kSaveQuestion =
    "    真的要将编辑过的常用曲目保存到文件吗?\r\n如果您不保存的话,本次编辑的内容在程序运行\r\n"
    "期间还是有效的,但退出程序后就会失效!";
constexpr const char* kSaveCaption = "保存常用曲目到文件";
constexpr const char* kWriteError = "程序在保存常用曲目文件时出现未知错误,请重试!";
constexpr const char* kLengthLabel = "全曲长:";
constexpr const char* kLengthFormat = "全曲长:%1秒";
constexpr const char* kMusicFolder = "音乐库";

constexpr int kMsPerSecond = 1000;
constexpr int kFullVolume = 100;
// The arrows of the number fields step within these ranges; typing is not limited.
constexpr int kMaxArrowSeconds = schedule::kSecondsPerDay;
constexpr int kMaxArrowVolume = 100;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string S(const QString& text) {
    return text.toStdString();
}

// Seconds typed by the user as the stored milliseconds, kept inside 32 bits.
std::int32_t SecondsToMs(int seconds) {
    const std::int64_t ms = static_cast<std::int64_t>(seconds) * kMsPerSecond;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(ms, INT_MIN, INT_MAX));
}

// Marks the dialog as putting values into its controls for the life of the object.
class UpdateGuard {
public:
    explicit UpdateGuard(bool& flag) : m_Flag(flag), m_bOld(flag) { m_Flag = true; }
    ~UpdateGuard() { m_Flag = m_bOld; }
    UpdateGuard(const UpdateGuard&) = delete;
    UpdateGuard& operator=(const UpdateGuard&) = delete;

private:
    bool& m_Flag;
    bool m_bOld;
};

}  // namespace

CCommonTrackDlg::CCommonTrackDlg(IEditorHost& host, QWidget* parent)
    : QDialog(parent != nullptr ? parent : host.Window()), m_Host(host) {
    setObjectName(QStringLiteral("CommonTrackDlg"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8(kTitle));
    BuildLayout();
    ConnectSignals();

    // Opening: no track is shown, the name field waits for "新增(&A)".
    UpdateGuard guard(m_bUpdating);
    m_pName->setEnabled(false);
    CheckOrder(schedule::NoSecondary);
    EnterOrderState(schedule::NoSecondary);
    FillList();
}

QGroupBox* CCommonTrackDlg::BuildTrackGroup(TrackControls& c, const QString& title,
                                            const QString& prefix) {
    c.group = new QGroupBox(title, this);
    c.group->setObjectName(prefix + QStringLiteral("Group"));
    c.fileLabel = new QLabel(QStringLiteral("文件名:"), c.group);
    c.file = new QLineEdit(c.group);
    c.file->setObjectName(prefix + QStringLiteral("FileEdit"));
    c.fileLabel->setBuddy(c.file);
    c.browse = new QPushButton(QStringLiteral("浏览..."), c.group);
    c.browse->setObjectName(prefix + QStringLiteral("BrowseButton"));
    c.browse->setAutoDefault(false);
    c.fullPlay = new QCheckBox(QStringLiteral("全曲播放"), c.group);
    c.fullPlay->setObjectName(prefix + QStringLiteral("FullPlayCheck"));
    c.fullPlay->setChecked(true);
    c.timeLabel = new QLabel(QStringLiteral("播放时间:"), c.group);
    c.seconds =
        new CNumberField(prefix + QStringLiteral("SecondsEdit"), 0, kMaxArrowSeconds, c.group);
    c.seconds->SetValue(0);
    c.timeLabel->setBuddy(c.seconds);
    c.secondsUnit = new QLabel(QStringLiteral("秒"), c.group);
    c.length = new QLabel(QString::fromUtf8(kLengthLabel), c.group);
    c.length->setObjectName(prefix + QStringLiteral("LengthLabel"));
    c.autoPlay = new QCheckBox(QStringLiteral("自动播放"), c.group);
    c.autoPlay->setObjectName(prefix + QStringLiteral("AutoPlayCheck"));
    c.autoPlay->setChecked(true);
    c.volumeLabel = new QLabel(QStringLiteral("音量控制:"), c.group);
    c.volume = new CNumberField(prefix + QStringLiteral("VolumeEdit"), 0, kMaxArrowVolume, c.group);
    c.volume->SetValue(kFullVolume);
    c.volumeLabel->setBuddy(c.volume);
    c.defaultVolume = new QCheckBox(QStringLiteral("使用默认音量"), c.group);
    c.defaultVolume->setObjectName(prefix + QStringLiteral("DefaultVolumeCheck"));
    c.defaultVolume->setChecked(true);

    auto* grid = new QGridLayout(c.group);
    grid->addWidget(c.fileLabel, 0, 0);
    grid->addWidget(c.file, 0, 1, 1, 3);
    grid->addWidget(c.browse, 0, 4);
    grid->addWidget(c.fullPlay, 1, 0);
    grid->addWidget(c.timeLabel, 1, 1, Qt::AlignRight);
    grid->addWidget(c.seconds, 1, 2);
    grid->addWidget(c.secondsUnit, 1, 3);
    grid->addWidget(c.length, 1, 4);
    grid->addWidget(c.autoPlay, 2, 0);
    grid->addWidget(c.volumeLabel, 2, 1, Qt::AlignRight);
    grid->addWidget(c.volume, 2, 2);
    grid->addWidget(c.defaultVolume, 2, 3, 1, 2);
    grid->setColumnStretch(2, 1);
    return c.group;
}

void CCommonTrackDlg::BuildLayout() {
    auto* listLabel = new QLabel(QStringLiteral("常用曲目列表:"), this);
    m_pList = new QListWidget(this);
    m_pList->setObjectName(QStringLiteral("trackList"));
    listLabel->setBuddy(m_pList);
    m_pUp = new QPushButton(QStringLiteral("上移(&U)"), this);
    m_pUp->setObjectName(QStringLiteral("moveUpButton"));
    m_pDelete = new QPushButton(QStringLiteral("删除(&E)"), this);
    m_pDelete->setObjectName(QStringLiteral("deleteButton"));
    m_pDown = new QPushButton(QStringLiteral("下移(&D)"), this);
    m_pDown->setObjectName(QStringLiteral("moveDownButton"));
    auto* listButtons = new QHBoxLayout;
    for (QPushButton* button : {m_pUp, m_pDelete, m_pDown}) {
        button->setAutoDefault(false);
        listButtons->addWidget(button);
    }

    auto* nameGroup = new QGroupBox(QStringLiteral("常用曲目名:"), this);
    auto* nameLabel = new QLabel(QStringLiteral("曲目名:"), nameGroup);
    m_pName = new QLineEdit(nameGroup);
    m_pName->setObjectName(QStringLiteral("nameEdit"));
    nameLabel->setBuddy(m_pName);
    m_pNew = new QPushButton(QStringLiteral("新增(&A)"), nameGroup);
    m_pNew->setObjectName(QStringLiteral("newButton"));
    m_pNew->setAutoDefault(false);
    auto* nameLayout = new QHBoxLayout(nameGroup);
    nameLayout->addWidget(nameLabel);
    nameLayout->addWidget(m_pName, 1);
    nameLayout->addWidget(m_pNew);

    auto* left = new QVBoxLayout;
    left->addWidget(listLabel);
    left->addWidget(m_pList, 1);
    left->addLayout(listButtons);
    left->addWidget(nameGroup);

    auto* right = new QVBoxLayout;
    right->addWidget(
        BuildTrackGroup(m_Main, QStringLiteral("主曲及播放模式:"), QStringLiteral("main")));
    right->addWidget(BuildTrackGroup(m_Secondary, QStringLiteral("辅曲及播放模式:"),
                                     QStringLiteral("secondary")));

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
    columns->addLayout(left, 2);
    columns->addLayout(right, 3);
}

void CCommonTrackDlg::ConnectTrackSignals(TrackControls& c) {
    for (QLineEdit* edit : {c.file, c.seconds->Edit(), c.volume->Edit()}) {
        connect(edit, &QLineEdit::textChanged, this, [this] { MarkEdited(); });
    }
    connect(c.autoPlay, &QCheckBox::clicked, this, [this] { MarkEdited(); });
    for (QCheckBox* box : {c.fullPlay, c.defaultVolume}) {
        connect(box, &QCheckBox::clicked, this, [this, &c] {
            MarkEdited();
            ApplyTrackEnabling(c);
        });
    }
    connect(c.browse, &QPushButton::clicked, this, [this, &c] { OnBrowse(c); });
}

void CCommonTrackDlg::ConnectSignals() {
    connect(m_pList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_bUpdating && row >= 0) {
            OnSelectTrack(row);
        }
    });
    connect(m_pUp, &QPushButton::clicked, this, [this] { OnMove(false); });
    connect(m_pDown, &QPushButton::clicked, this, [this] { OnMove(true); });
    connect(m_pDelete, &QPushButton::clicked, this, &CCommonTrackDlg::OnDelete);
    connect(m_pName, &QLineEdit::textChanged, this, [this] { MarkEdited(); });
    connect(m_pNew, &QPushButton::clicked, this, &CCommonTrackDlg::OnNew);
    ConnectTrackSignals(m_Main);
    ConnectTrackSignals(m_Secondary);
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
    int value = 0;
    for (const TrackControls* c : {&m_Main, &m_Secondary}) {
        if (!c->seconds->Read(m_Host.Dialogs(), value) ||
            !c->volume->Read(m_Host.Dialogs(), value)) {
            return false;
        }
    }
    return true;
}

bool CCommonTrackDlg::ReadTrack(const TrackControls& c, TrackEntry& entry) {
    int seconds = 0;
    int volume = 0;
    if (!c.seconds->Read(m_Host.Dialogs(), seconds) || !c.volume->Read(m_Host.Dialogs(), volume)) {
        return false;
    }
    entry.path = S(c.file->text());
    entry.fullPlay = c.fullPlay->isChecked() ? 1 : 0;
    entry.length = schedule::kUnknownLength;
    entry.limit = SecondsToMs(seconds);
    entry.autoPlay = c.autoPlay->isChecked() ? 1 : 0;
    entry.volume = volume;
    entry.useDefaultVolume = c.defaultVolume->isChecked() ? 1 : 0;
    return true;
}

bool CCommonTrackDlg::ReadFieldsTrack(CommonTrack& track) {
    track.name = S(m_pName->text());
    track.order = Order();
    return ReadTrack(m_Main, track.main) && ReadTrack(m_Secondary, track.secondary);
}

void CCommonTrackDlg::ShowError(const std::string& text) {
    m_Host.Dialogs().Message(text, kErrorCaption, platform::MessageIcon::Error,
                             platform::MessageButtons::Ok);
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
        ShowError(missing);
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

void CCommonTrackDlg::ShowTrack(const TrackControls& c, const TrackEntry& entry) {
    UpdateGuard guard(m_bUpdating);
    c.file->setText(Q(entry.path));
    c.fullPlay->setChecked(entry.fullPlay != 0);
    c.seconds->SetValue(entry.limit / kMsPerSecond);
    c.autoPlay->setChecked(entry.autoPlay != 0);
    c.volume->SetValue(entry.volume);
    c.defaultVolume->setChecked(entry.useDefaultVolume != 0);
}

void CCommonTrackDlg::EmptyNameAndFiles() {
    UpdateGuard guard(m_bUpdating);
    m_pName->clear();
    m_Main.file->clear();
    m_Secondary.file->clear();
}

void CCommonTrackDlg::FillList() {
    UpdateGuard guard(m_bUpdating);
    m_pList->clear();
    std::vector<std::string> names;
    m_Host.CommonTracks().GetNames(names);
    for (const std::string& name : names) {
        m_pList->addItem(Q(name));
    }
}

void CCommonTrackDlg::SelectListRow(int row) {
    UpdateGuard guard(m_bUpdating);
    m_pList->setCurrentRow(row);
}

int CCommonTrackDlg::SelectedRow() const {
    const int row = m_pList->currentRow();
    if (row < 0 || !m_pList->item(row)->isSelected()) {
        return -1;
    }
    return row;
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

void CCommonTrackDlg::ApplyTrackEnabling(const TrackControls& c) {
    c.seconds->setEnabled(c.group->isEnabled() && !c.fullPlay->isChecked());
    c.volume->setEnabled(c.group->isEnabled() && !c.defaultVolume->isChecked());
}

void CCommonTrackDlg::EnterOrderState(int order) {
    const bool withSecondary = order != schedule::NoSecondary;
    // The group box carries all its children: disabling it disables every control of
    // the secondary track at once.
    m_Secondary.group->setEnabled(withSecondary);
    m_pTrialSecondary->setEnabled(withSecondary);
    ApplyTrackEnabling(m_Main);
    ApplyTrackEnabling(m_Secondary);
}

void CCommonTrackDlg::OnOrderClicked(int order) {
    if (!ReadControls()) {
        return;
    }
    EnterOrderState(order);
    m_bEdited = true;
}

void CCommonTrackDlg::OnSelectTrack(int row) {
    schedule::CCommonTrackStore& store = m_Host.CommonTracks();
    if (row != m_nIndex && store.Get(m_nIndex) != nullptr && m_bEdited) {
        if (!ReadControls()) {
            // Stay on the track whose field needs a whole number.
            SelectListRow(m_nIndex);
            return;
        }
        CommonTrack track;
        // A track that does not validate is not written back: its edits are replaced
        // by the newly selected track below.
        if (ReadFieldsTrack(track) && Validate(track) && store.Replace(m_nIndex, track)) {
            m_bStoreChanged = true;
            FillList();
            SelectListRow(row);
        }
    }
    const CommonTrack* track = store.Get(row);
    if (track == nullptr) {
        return;
    }
    {
        UpdateGuard guard(m_bUpdating);
        m_pName->setText(Q(track->name));
        ShowTrack(m_Main, track->main);
        ShowTrack(m_Secondary, track->secondary);
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
    if (!m_Host.CommonTracks().Add(&track)) {
        ShowError(kDuplicateName);
        return false;
    }
    m_bStoreChanged = true;
    m_nIndex = -1;
    m_bEdited = false;
    FillList();
    EmptyNameAndFiles();
    return true;
}

void CCommonTrackDlg::OnDelete() {
    const int row = SelectedRow();
    if (row < 0) {
        return;
    }
    if (m_Host.Dialogs().Message(kDeleteQuestion, kDeleteCaption, platform::MessageIcon::Question,
                                 platform::MessageButtons::YesNo) != platform::MessageAnswer::Yes) {
        return;
    }
    if (m_Host.CommonTracks().Delete(row)) {
        m_bStoreChanged = true;
        FillList();
        // Nothing is written back from the deleted track's fields.
        m_nIndex = -1;
    }
}

void CCommonTrackDlg::OnMove(bool down) {
    const int row = SelectedRow();
    if (row < 0) {
        return;
    }
    const int moved = m_Host.CommonTracks().Move(row, down);
    m_nIndex = moved;
    if (moved != row) {
        m_bStoreChanged = true;
    }
    FillList();
    SelectListRow(moved);
    m_pList->setFocus();
}

void CCommonTrackDlg::OnBrowse(TrackControls& c) {
    if (!ReadControls()) {
        return;
    }
    const std::string& appDir = m_Host.AppDir();
    platform::FileDialogRequest request;
    request.title = player::CPlayerDlg::kOpenTitle;
    request.folder = appDir + kMusicFolder;
    request.filter = player::CPlayerDlg::kMusicFilter;
    const std::vector<std::string> chosen = m_Host.Dialogs().ChooseFiles(request);
    if (chosen.empty()) {
        return;
    }
    const std::string path = schedule::MakeRelative(appDir, chosen.front());
    {
        UpdateGuard guard(m_bUpdating);
        c.file->setText(Q(path));
    }
    const std::uint32_t length = m_Host.Player().ProbeLength(schedule::ResolvePath(appDir, path));
    if (length == engine::kLengthUnknown) {
        ShowError(kBadFormat);
        UpdateGuard guard(m_bUpdating);
        c.file->clear();
    } else if (length > 0) {
        const int seconds = static_cast<int>(length / kMsPerSecond);
        UpdateGuard guard(m_bUpdating);
        c.seconds->SetValue(seconds);
        c.length->setText(QString::fromUtf8(kLengthFormat).arg(seconds));
    }
    // A browsed file is an edit of the shown track like a typed one, so selecting
    // another track writes it back.
    m_bEdited = true;
}

void CCommonTrackDlg::OnTrial() {
    if (!ReadControls()) {
        return;
    }
    engine::IPlayer& player = m_Host.Player();
    if (player.IsPlaying() && m_bTrialPlaying) {
        player.ClearQueue(true);
        m_bTrialPlaying = false;
        return;
    }
    TrackEntry main;
    TrackEntry secondary;
    if (!ReadTrack(m_Main, main) || !ReadTrack(m_Secondary, secondary)) {
        return;
    }
    const bool trialMain = m_pTrialMain->isChecked();
    const bool trialSecondary = m_pTrialSecondary->isChecked();
    if (!trialMain && !trialSecondary) {
        ShowError(kNoTrialOption);
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

    player.ClearQueue(true);
    for (const TrackEntry& entry : queue) {
        const int limit = entry.fullPlay != 0 ? -1 : entry.limit;
        player.AddFile(schedule::ResolvePath(m_Host.AppDir(), entry.path), 1, limit,
                       entry.useDefaultVolume, entry.volume);
    }
    player.RefreshList();
    player.LoadTrack(0);
    m_bTrialPlaying = true;
}

bool CCommonTrackDlg::PrepareClose() {
    if (!ReadControls()) {
        return false;
    }
    if (m_pName->isEnabled() && !m_pName->text().isEmpty() && !m_Main.file->text().isEmpty() &&
        (Order() == schedule::NoSecondary || !m_Secondary.file->text().isEmpty())) {
        if (m_Host.Dialogs().Message(kAddQuestion, kAddCaption, platform::MessageIcon::Question,
                                     platform::MessageButtons::YesNo) ==
            platform::MessageAnswer::Yes) {
            AddFieldsTrack();
        }
    }
    schedule::CCommonTrackStore& store = m_Host.CommonTracks();
    if (store.Get(m_nIndex) != nullptr && m_bEdited) {
        CommonTrack track;
        if (ReadFieldsTrack(track) && Validate(track) && store.Replace(m_nIndex, track)) {
            m_bStoreChanged = true;
            FillList();
        }
    }
    return true;
}

void CCommonTrackDlg::SaveStoreFile() {
    const std::filesystem::path file = std::filesystem::path(m_Host.AppDir() + kStoreFile);
    // The folder is made at start-up; make it again should it have gone since, and say
    // so when it cannot be written at all rather than dropping the user's save.
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    if (!std::filesystem::is_directory(file.parent_path(), error)) {
        ShowError(kWriteError);
        return;
    }
    m_Host.CommonTracks().Save(m_Host.AppDir() + kStoreFile);
}

void CCommonTrackDlg::OnSave() {
    if (!PrepareClose()) {
        return;
    }
    if (m_bStoreChanged) {
        m_bStoreChanged = false;
        if (m_Host.Dialogs().Message(kSaveQuestion, kSaveCaption, platform::MessageIcon::Question,
                                     platform::MessageButtons::YesNo) ==
            platform::MessageAnswer::Yes) {
            SaveStoreFile();
        }
    }
    reject();
}

void CCommonTrackDlg::reject() {
    if (m_bClosed || !PrepareClose()) {
        return;
    }
    done(QDialog::Rejected);
}

void CCommonTrackDlg::done(int result) {
    if (!m_bClosed) {
        m_bClosed = true;
        if (m_bTrialPlaying) {
            m_Host.Player().ClearQueue(true);
        }
        m_Host.OnEditorClosed(kCommonTracksClosed, 0);
    }
    QDialog::done(result);
}

}  // namespace editors
