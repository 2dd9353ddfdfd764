#include "editors/playlist_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <utility>
#include <vector>

#include "editors/editor_host.h"
#include "editors/editor_support.h"
#include "editors/number_field.h"
#include "editors/text_limit.h"
#include "editors/track_entry_panel.h"
#include "schedule/app_paths.h"
#include "schedule/texts.h"

namespace editors {

namespace {

using schedule::Playlist;
using schedule::TrackEntry;

constexpr const char* kNoName = "标题为空,请填写标题后再试!";
constexpr const char* kNameFirst = "请先填写曲目名";
constexpr const char* kNoEntries = "该列表中的曲目为空,请添加曲目后再试!";
constexpr const char* kDuplicateName = "列表曲目中已经存在相同的名称,请换名重试!";
constexpr const char* kDeleteEntryQuestion = "真的要删除当前文件列表选中的内容吗?";
constexpr const char* kDeleteCaption = "删除当前内容";
constexpr const char* kAddQuestion = "当前的曲目还没有加入列表中,是否要加入列表中去?";
constexpr const char* kAddCaptionOnClose = "保存列表曲目";
constexpr const char* kAddCaptionOnSave = "添加列表曲目";
constexpr const char* kSaveQuestion =
    "    真的要将编辑过的列表曲目保存到文件吗?\r\n如果您不保存的话,本次编辑的内容在程序运行\r\n"
    "期间还是有效的,但退出程序后就会失效!";
constexpr const char* kSaveCaption = "保存列表曲目到文件";
// The arrows of the random limit step within this range; typing is not limited.
constexpr int kMaxArrowRandomLimit = 999;
// Wide enough for the file list to show a path under the music folder.
constexpr int kInitialWidth = 680;

}  // namespace

CPlaylistDlg::CPlaylistDlg(IEditorHost& host, QWidget* parent)
    : CStoreEditorDlg(host, parent,
                      {.listLabel = "曲目列表:",
                       .listName = "playlistList",
                       .upName = "listUpButton",
                       .deleteName = "listDeleteButton",
                       .downName = "listDownButton",
                       .nameTitle = "列表曲目名:",
                       .nameLabel = "列表名:",
                       .storeFile = kStoreFile,
                       .writeError = schedule::texts::kPlaylistsWriteError,
                       .saveQuestion = kSaveQuestion,
                       .saveCaption = kSaveCaption}),
      m_Playlists(host.Playlists()) {
    setObjectName(QStringLiteral("PlaylistDlg"));
    setWindowTitle(QString::fromUtf8(kTitle));
    BuildLayout();
    ConnectSignals();
    resize(std::max(kInitialWidth, sizeHint().width()), sizeHint().height());

    UpdateGuard guard(m_bUpdating);
    m_pName->setEnabled(false);
    FillFileList();
    ApplyEnabling();
}

void CPlaylistDlg::BuildLayout() {
    QVBoxLayout* column = BuildColumn(&m_Playlists);

    auto* filesLabel = new QLabel(QStringLiteral("当前曲目文件列表:"), this);
    m_pFiles = new QListView(this);
    m_pFiles->setObjectName(QStringLiteral("fileList"));
    m_pFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pFiles->setModel(&m_Entries);
    filesLabel->setBuddy(m_pFiles);
    m_pEntryUp = new QPushButton(QStringLiteral("↑"), this);
    m_pEntryUp->setObjectName(QStringLiteral("entryUpButton"));
    m_pEntryDelete = new QPushButton(QStringLiteral("删"), this);
    m_pEntryDelete->setObjectName(QStringLiteral("entryDeleteButton"));
    m_pEntryDown = new QPushButton(QStringLiteral("↓"), this);
    m_pEntryDown->setObjectName(QStringLiteral("entryDownButton"));
    auto* entryButtons = new QVBoxLayout;
    entryButtons->addStretch(1);
    for (QPushButton* button : {m_pEntryUp, m_pEntryDelete, m_pEntryDown}) {
        button->setAutoDefault(false);
        entryButtons->addWidget(button);
    }
    entryButtons->addStretch(1);
    auto* filesRow = new QHBoxLayout;
    filesRow->addWidget(m_pFiles, 1);
    filesRow->addLayout(entryButtons);
    auto* files = new QVBoxLayout;
    files->addWidget(filesLabel);
    files->addLayout(filesRow, 1);

    auto* top = new QHBoxLayout;
    top->addLayout(column, 2);
    top->addLayout(files, 3);

    m_pEntry = new CTrackEntryPanel(QStringLiteral("主曲及播放模式:"), QString(),
                                    QStringLiteral("浏览(&B)..."), this);
    m_pEntry->SetDigitsOnly(true);

    auto* randomGroup = new QGroupBox(QStringLiteral("随机播放模式:"), this);
    m_pRandom = new QCheckBox(QStringLiteral("该列表曲目随机播放"), randomGroup);
    m_pRandom->setObjectName(QStringLiteral("randomCheck"));
    m_pRandomKind = new QComboBox(randomGroup);
    m_pRandomKind->setObjectName(QStringLiteral("randomKindCombo"));
    m_pRandomKind->addItem(QStringLiteral("播放的文件数量:"));
    m_pRandomKind->addItem(QStringLiteral("播放时间(分钟):"));
    m_pRandomLimit =
        new CNumberField(QStringLiteral("randomLimitEdit"), 0, kMaxArrowRandomLimit, randomGroup);
    m_pRandomLimit->SetDigitsOnly(true);
    m_pRandomLimit->SetValue(0);
    auto* randomLayout = new QGridLayout(randomGroup);
    randomLayout->addWidget(m_pRandom, 0, 0, 1, 2);
    randomLayout->addWidget(m_pRandomKind, 1, 0);
    randomLayout->addWidget(m_pRandomLimit, 1, 1);

    auto* trialGroup = new QGroupBox(QStringLiteral("试播/保存:"), this);
    m_pSingleTrial = new QCheckBox(QStringLiteral("单曲试播"), trialGroup);
    m_pSingleTrial->setObjectName(QStringLiteral("singleTrialCheck"));
    m_pTrial = new QPushButton(QStringLiteral("试播(&P)"), trialGroup);
    m_pTrial->setObjectName(QStringLiteral("trialButton"));
    m_pTrial->setAutoDefault(false);
    m_pSave = new QPushButton(QStringLiteral("保存(&S)"), trialGroup);
    m_pSave->setObjectName(QStringLiteral("saveButton"));
    m_pSave->setDefault(true);
    m_pExit = new QPushButton(QStringLiteral("退出(&X)"), trialGroup);
    m_pExit->setObjectName(QStringLiteral("exitButton"));
    m_pExit->setAutoDefault(false);
    auto* trialLayout = new QGridLayout(trialGroup);
    trialLayout->addWidget(m_pSingleTrial, 0, 0);
    trialLayout->addWidget(m_pTrial, 0, 1);
    trialLayout->addWidget(m_pSave, 1, 0);
    trialLayout->addWidget(m_pExit, 1, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(randomGroup, 1);
    bottom->addWidget(trialGroup);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(m_pEntry);
    layout->addLayout(bottom);
}

void CPlaylistDlg::ConnectSignals() {
    connect(m_pFiles->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!m_bUpdating && current.isValid()) {
                    OnFileRowSelected(current.row());
                }
            });
    connect(m_pNew, &QPushButton::clicked, this, &CPlaylistDlg::OnNew);
    connect(m_pEntryUp, &QPushButton::clicked, this, [this] { OnMoveEntry(false); });
    connect(m_pEntryDown, &QPushButton::clicked, this, [this] { OnMoveEntry(true); });
    connect(m_pEntryDelete, &QPushButton::clicked, this, &CPlaylistDlg::OnDeleteEntry);
    connect(m_pEntry->FileEdit(), &QLineEdit::textChanged, this, [this] {
        if (!m_bUpdating) {
            OnFileTextChanged();
        }
    });
    connect(m_pEntry->BrowseButton(), &QPushButton::clicked, this, &CPlaylistDlg::OnBrowse);
    connect(m_pEntry, &CTrackEntryPanel::Edited, this, [this] { MarkEdited(); });
    for (QLineEdit* edit : {m_pName, m_pRandomLimit->Edit()}) {
        connect(edit, &QLineEdit::textChanged, this, [this] { MarkEdited(); });
    }
    connect(m_pRandom, &QCheckBox::clicked, this, [this] {
        MarkEdited();
        ApplyEnabling();
    });
    connect(m_pRandomKind, &QComboBox::activated, this, [this] { MarkEdited(); });
    connect(m_pTrial, &QPushButton::clicked, this, &CPlaylistDlg::OnTrial);
    connect(m_pSave, &QPushButton::clicked, this, &CPlaylistDlg::OnSave);
    connect(m_pExit, &QPushButton::clicked, this, &CPlaylistDlg::reject);
}

void CPlaylistDlg::MarkEdited() {
    if (!m_bUpdating) {
        m_bEdited = true;
    }
}

bool CPlaylistDlg::ReadControls() {
    int seconds = 0;
    int volume = 0;
    int limit = 0;
    return m_pEntry->ReadNumbers(m_Host.Dialogs(), seconds, volume) &&
           m_pRandomLimit->Read(m_Host.Dialogs(), limit);
}

int CPlaylistDlg::ReadNumber(const CNumberField* field) {
    // Commands check the fields with ReadControls first; this only converts.
    bool ok = false;
    const int value = field->Edit()->text().trimmed().toInt(&ok);
    return ok ? value : 0;
}

void CPlaylistDlg::ReadEntryFields(TrackEntry& entry) {
    m_pEntry->ReadEntry(entry, ReadNumber(m_pEntry->SecondsField()),
                        ReadNumber(m_pEntry->VolumeField()));
}

void CPlaylistDlg::ReadRandomFields(Playlist& playlist) {
    playlist.randomPlay = m_pRandom->isChecked() ? 1 : 0;
    playlist.randomLimit = ReadNumber(m_pRandomLimit);
    playlist.randomLimitKind =
        m_pRandomKind->currentIndex() == 1 ? schedule::LimitMinutes : schedule::LimitFiles;
}

void CPlaylistDlg::ShowRandom(const Playlist& playlist) {
    UpdateGuard guard(m_bUpdating);
    m_pRandom->setChecked(playlist.randomPlay != 0);
    m_pRandomLimit->SetValue(playlist.randomLimit);
    m_pRandomKind->setCurrentIndex(playlist.randomLimitKind == schedule::LimitMinutes ? 1 : 0);
}

void CPlaylistDlg::SetFileText(const std::string& text) {
    UpdateGuard guard(m_bUpdating);
    m_pEntry->FileEdit()->setText(Q(text));
}

void CPlaylistDlg::ApplyEnabling() {
    m_pEntry->ApplyEnabling();
    m_pRandomKind->setEnabled(m_pRandom->isChecked());
    m_pRandomLimit->setEnabled(m_pRandom->isChecked());
}

void CPlaylistDlg::FillFileList() {
    {
        UpdateGuard guard(m_bUpdating);
        m_Entries.Refill();
    }
    SelectFileRow(m_Entries.AddRow());
    m_nEntryIndex = -1;
}

void CPlaylistDlg::SelectFileRow(int row) {
    UpdateGuard guard(m_bUpdating);
    const QModelIndex index = m_Entries.index(row, 0);
    if (index.isValid()) {
        m_pFiles->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    } else {
        m_pFiles->selectionModel()->clear();
    }
}

int CPlaylistDlg::SelectedFileRow() const {
    const QModelIndex current = m_pFiles->selectionModel()->currentIndex();
    return current.isValid() && m_pFiles->selectionModel()->isSelected(current) ? current.row()
                                                                                : -1;
}

bool CPlaylistDlg::IsEntryRow(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < m_Playlist.entries.size();
}

void CPlaylistDlg::WritePendingEntry() {
    if (m_bEdited && IsEntryRow(m_nEntryIndex)) {
        ReadEntryFields(m_Playlist.entries[static_cast<std::size_t>(m_nEntryIndex)]);
        ReadRandomFields(m_Playlist);
    }
    m_nEntryIndex = -1;
}

void CPlaylistDlg::LoadFileRow(int row) {
    if (IsEntryRow(row)) {
        WritePendingEntry();
        {
            UpdateGuard guard(m_bUpdating);
            m_pEntry->ShowEntry(m_Playlist.entries[static_cast<std::size_t>(row)]);
        }
        ShowRandom(m_Playlist);
        m_nEntryIndex = row;
    } else if (row == m_Entries.AddRow()) {
        // The row for adding: edits of the entry shown so far are not written.
        SetFileText(std::string());
        m_nEntryIndex = -1;
    }
    ApplyEnabling();
}

void CPlaylistDlg::OnFileRowSelected(int row) {
    if (!ReadControls()) {
        // Stay on the entry whose field needs a whole number.
        SelectFileRow(IsEntryRow(m_nEntryIndex) ? m_nEntryIndex : m_Entries.AddRow());
        return;
    }
    LoadFileRow(row);
}

bool CPlaylistDlg::WriteBackPlaylist() {
    if (!ReadControls()) {
        return false;
    }
    SelectFileRow(-1);
    WritePendingEntry();
    if (m_bEdited && m_Playlists.Get(m_nListIndex) != nullptr) {
        m_Playlist.name = S(m_pName->text());
        ReadRandomFields(m_Playlist);
        m_Playlists.Replace(m_nListIndex, m_Playlist);
    }
    return true;
}

bool CPlaylistDlg::ShowPlaylist(int row) {
    if (!WriteBackPlaylist()) {
        return false;
    }
    m_Playlist.entries.clear();
    if (row >= 0 && m_Playlists.GetStore().GetCopy(row, &m_Playlist)) {
        {
            UpdateGuard guard(m_bUpdating);
            m_pName->setText(Q(m_Playlist.name));
        }
        ShowRandom(m_Playlist);
        FillFileList();
        SelectFileRow(0);
        LoadFileRow(0);
    }
    m_pName->setEnabled(false);
    m_bEdited = false;
    m_nListIndex = row;
    return true;
}

void CPlaylistDlg::OnSelectRecord(int row) {
    if (!ShowPlaylist(row)) {
        // Stay on the playlist whose field needs a whole number.
        SelectListRow(m_nListIndex);
    }
}

void CPlaylistDlg::OnNew() {
    if (!ReadControls()) {
        return;
    }
    if (m_pName->isEnabled()) {
        AddPlaylist();
        return;
    }
    // Files chosen before "新增" start the new playlist: only the name is missing.
    if (m_nListIndex < 0 && !m_Playlist.entries.empty()) {
        m_pName->setEnabled(true);
        ShowError(m_Host.Dialogs(), kNameFirst);
        m_pName->setFocus();
        return;
    }
    SelectListRow(-1);
    if (!ShowPlaylist(-1)) {
        return;
    }
    m_pName->setEnabled(true);
    m_Playlist.entries.clear();
    FillFileList();
    {
        UpdateGuard guard(m_bUpdating);
        m_pEntry->FileEdit()->clear();
        m_pName->clear();
    }
    m_pName->setFocus();
}

bool CPlaylistDlg::AddPlaylist() {
    const std::string name = S(m_pName->text());
    if (name.empty()) {
        ShowError(m_Host.Dialogs(), kNoName);
        return false;
    }
    if (m_Playlist.entries.empty()) {
        ShowError(m_Host.Dialogs(), kNoEntries);
        return false;
    }
    if (!TextFits(name, kFileTextMaxBytes)) {
        ShowTooLong(m_Host.Dialogs(), QStringLiteral("列表名"), kFileTextMaxBytes);
        return false;
    }
    m_Playlist.name = name;
    ReadRandomFields(m_Playlist);
    if (!m_Playlists.Add(m_Playlist)) {
        ShowError(m_Host.Dialogs(), kDuplicateName);
        return false;
    }
    {
        UpdateGuard guard(m_bUpdating);
        m_pName->clear();
    }
    m_Playlist.name.clear();
    m_Playlist.entries.clear();
    FillFileList();
    m_bEdited = false;
    m_nListIndex = -1;
    return true;
}

void CPlaylistDlg::AfterDelete() {
    m_bEdited = true;
    m_Playlist.entries.clear();
    FillFileList();
    m_nListIndex = -1;
}

void CPlaylistDlg::AfterMove(int row, int moved) {
    m_nListIndex = moved;
    if (moved != row) {
        m_bEdited = true;
    }
}

void CPlaylistDlg::OnMoveEntry(bool down) {
    const int row = SelectedFileRow();
    if (!IsEntryRow(row)) {
        return;
    }
    const int other = down ? row + 1 : row - 1;
    int moved = row;
    if (IsEntryRow(other)) {
        std::swap(m_Playlist.entries[static_cast<std::size_t>(row)],
                  m_Playlist.entries[static_cast<std::size_t>(other)]);
        moved = other;
    }
    FillFileList();
    m_nEntryIndex = moved;
    if (moved != row) {
        m_bEdited = true;
    }
    SelectFileRow(moved);
    m_pFiles->setFocus();
}

void CPlaylistDlg::OnDeleteEntry() {
    const int row = SelectedFileRow();
    if (!IsEntryRow(row) || !Ask(m_Host.Dialogs(), kDeleteEntryQuestion, kDeleteCaption)) {
        return;
    }
    m_Playlist.entries.erase(m_Playlist.entries.begin() + row);
    m_bEdited = true;
    FillFileList();
    SelectFileRow(row);
    m_pFiles->setFocus();
    m_nEntryIndex = -1;
}

void CPlaylistDlg::OnFileTextChanged() {
    const int row = SelectedFileRow();
    if (IsEntryRow(row)) {
        TrackEntry& entry = m_Playlist.entries[static_cast<std::size_t>(row)];
        const std::string text = S(m_pEntry->FileEdit()->text());
        if (!TextFits(text, kFileTextMaxBytes)) {
            ShowTooLong(m_Host.Dialogs(), QStringLiteral("文件名"), kFileTextMaxBytes);
            SetFileText(entry.path);
            return;
        }
        // The entry takes the typed path at once, so the file list shows it.
        entry.path = text;
        FillFileList();
        SelectFileRow(row);
        m_nEntryIndex = row;
    }
    m_bEdited = true;
}

void CPlaylistDlg::OnBrowse() {
    const int row = SelectedFileRow();
    if (row < 0) {
        return;
    }
    const bool adding = !IsEntryRow(row);
    if (!ReadControls()) {
        return;
    }
    const std::string& appDir = m_Host.AppDir();
    platform::FileDialogRequest request = MusicFileRequest(appDir);
    request.multiple = adding;
    const std::vector<std::string> chosen = m_Host.Dialogs().ChooseFiles(request);
    if (chosen.empty()) {
        return;
    }

    for (const std::string& file : chosen) {
        // The folder is stored relative when it lies inside the program folder; the
        // program folder itself stays absolute.
        const std::filesystem::path chosenPath(file);
        const std::string folder =
            schedule::MakeRelative(appDir, chosenPath.parent_path().string());
        const std::string path = folder + "/" + chosenPath.filename().string();
        if (!TextFits(path, kFileTextMaxBytes)) {
            ShowTooLong(m_Host.Dialogs(), QStringLiteral("文件名"), kFileTextMaxBytes);
            continue;
        }
        const auto length = static_cast<std::int32_t>(
            m_Host.Player().ProbeLength(schedule::ResolvePath(appDir, path)));
        if (length <= 0) {
            continue;
        }
        {
            UpdateGuard guard(m_bUpdating);
            m_pEntry->SecondsField()->SetValue(length / kMsPerSecond);
        }
        // The entry plays with the shown settings; its limit is the file's whole length.
        TrackEntry entry;
        m_pEntry->ReadEntry(entry, 0, ReadNumber(m_pEntry->VolumeField()));
        entry.path = path;
        entry.length = schedule::kUnknownLength;
        entry.limit = length;
        if (adding) {
            m_Playlist.entries.push_back(entry);
            SetFileText(std::string());
        } else {
            SetFileText(path);
            m_Playlist.entries[static_cast<std::size_t>(row)] = entry;
            break;
        }
    }

    m_pEntry->ShowLength(ReadNumber(m_pEntry->SecondsField()));
    FillFileList();
    if (!adding) {
        SelectFileRow(row);
        m_nEntryIndex = row;
    }
    m_pFiles->setFocus();
    m_bEdited = true;
}

void CPlaylistDlg::StopPlayer() {
    m_Host.Session().EndTrial(m_nTrial);
    m_nTrial = 0;
}

void CPlaylistDlg::OnTrial() {
    if (!ReadControls()) {
        return;
    }
    ReadRandomFields(m_Playlist);
    engine::IPlayer& player = m_Host.Player();
    const bool single = m_pSingleTrial->isChecked();
    if (!single) {
        SelectFileRow(-1);
        WritePendingEntry();
    }
    // A second press stops this dialog's trial; it never stops a bell.
    if (m_Host.Session().IsTrialPlaying(m_nTrial)) {
        StopPlayer();
        return;
    }
    if (single) {
        // The file in the file field, whole and at the default volume.
        m_nTrial = StartTrial(m_Host, {TrialFile{S(m_pEntry->FileEdit()->text())}});
        return;
    }
    m_nTrial = BeginTrial(m_Host);
    if (m_nTrial == 0) {
        return;
    }
    player.ClearQueue(true);
    // The whole list plays as a scheduled playlist would: on an emptied queue, with its
    // wildcard entries expanded.
    Playlist expanded;
    schedule::CPlaylistStore::Expand(&m_Playlist, &expanded, m_Host.AppDir());
    m_Host.Session().PlayTrialPlaylist(m_nTrial, expanded);
}

bool CPlaylistDlg::PrepareClose(const char* addCaption) {
    if (!ReadControls()) {
        return false;
    }
    if (m_pName->isEnabled() && !m_pName->text().isEmpty() && !m_Playlist.entries.empty() &&
        Ask(m_Host.Dialogs(), kAddQuestion, addCaption)) {
        AddPlaylist();
    }
    SelectListRow(-1);
    return ShowPlaylist(-1);
}

bool CPlaylistDlg::PrepareClose() {
    return PrepareClose(kAddCaptionOnClose);
}

void CPlaylistDlg::OnSave() {
    if (!PrepareClose(kAddCaptionOnSave)) {
        return;
    }
    // Asked even when nothing changed. A failed write was said; the editor stays open so
    // that it can be tried again.
    if (!AskAndSave()) {
        return;
    }
    reject();
}

void CPlaylistDlg::OnClosed() {
    StopPlayer();
    m_Playlist.entries.clear();
}

}  // namespace editors
