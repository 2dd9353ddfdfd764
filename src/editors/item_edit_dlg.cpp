#include "editors/item_edit_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTime>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "editors/editor_host.h"
#include "editors/number_field.h"
#include "editors/time_field.h"
#include "platform/clock.h"
#include "platform/qt_text.h"
#include "player/player_dlg.h"
#include "schedule/app_paths.h"
#include "schedule/records.h"
#include "schedule/text_codec.h"

namespace editors {

namespace {

using schedule::kSecondsPerHour;
using schedule::kSecondsPerMinute;

using schedule::kMusicFolder;

using platform::Q;
using platform::S;

using schedule::ScheduleItem;

constexpr int kMsPerSecond = 1000;
// The frame's commands that open the common-track and playlist editors.
constexpr int kCmdCommonTracks = 32782;
constexpr int kCmdPlaylists = 32783;
// The file folder music-file dialogs start in, under the program folder.

QLabel* MakeLabel(const char* text, const char* name, QWidget* parent) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(QString::fromUtf8(name));
    return label;
}

QCheckBox* MakeCheck(const char* text, const char* name, QWidget* parent) {
    auto* box = new QCheckBox(QString::fromUtf8(text), parent);
    box->setObjectName(QString::fromUtf8(name));
    return box;
}

}  // namespace

ScheduleItem CItemEditDlg::NewItem() {
    ScheduleItem item;
    item.time = 0;
    item.autoPlay = 1;
    item.kind = schedule::CommonMusic;
    item.volume = 100;
    item.useDefaultVolume = 1;
    item.fullPlay = 1;
    item.limit = 0;
    item.runBefore = 1;
    item.useDefaultParams = 1;
    return item;
}

CItemEditDlg::CItemEditDlg(IEditorHost& host, platform::Clock& clock, QWidget* parent)
    : QDialog(parent), m_Host(host), m_Clock(clock), m_Item(NewItem()) {
    setObjectName(QStringLiteral("itemEditDlg"));
    setWindowTitle(QString::fromUtf8(kTitle));
    // Modal to the window that opened it only, so the store editors its editor button
    // opens stay usable.
    setWindowModality(Qt::WindowModal);
    BuildControls();
}

CItemEditDlg::~CItemEditDlg() = default;

void CItemEditDlg::SetItem(const ScheduleItem& item, bool editing) {
    m_Item = item;
    m_bEditing = editing;
}

void CItemEditDlg::BuildControls() {
    m_pTitle = new QComboBox(this);
    m_pTitle->setObjectName(QStringLiteral("titleCombo"));
    m_pTitle->setEditable(true);
    m_pTitle->setInsertPolicy(QComboBox::NoInsert);
    m_pTime = new CTimeField(this);
    m_pTime->setObjectName(QStringLiteral("timeEdit"));
    m_pNameEdit = new QLineEdit(this);
    m_pNameEdit->setObjectName(QStringLiteral("nameEdit"));
    m_pNameList = new QComboBox(this);
    m_pNameList->setObjectName(QStringLiteral("nameList"));
    m_pNameList->installEventFilter(this);
    m_pEditorButton = new QPushButton(QString::fromUtf8(kCommonEditorText), this);
    m_pEditorButton->setObjectName(QStringLiteral("editorButton"));
    m_pEditorButton->setAutoDefault(false);

    auto* top = new QGridLayout;
    QLabel* titleLabel = MakeLabel("作息项标题:", "titleLabel", this);
    titleLabel->setBuddy(m_pTitle);
    QLabel* timeLabel = MakeLabel("播放的时间:", "timeLabel", this);
    timeLabel->setBuddy(m_pTime);
    QLabel* nameLabel = MakeLabel("作息曲目名:", "nameLabel", this);
    nameLabel->setBuddy(m_pNameEdit);
    top->addWidget(titleLabel, 0, 0);
    top->addWidget(m_pTitle, 0, 1, 1, 2);
    top->addWidget(timeLabel, 1, 0);
    top->addWidget(m_pTime, 1, 1);
    top->addWidget(nameLabel, 2, 0);
    top->addWidget(m_pNameEdit, 2, 1);
    top->addWidget(m_pNameList, 2, 1);
    top->addWidget(m_pEditorButton, 2, 2);
    top->setColumnStretch(1, 1);

    auto* kindGroup = new QGroupBox(QStringLiteral("音乐文件类型选择"), this);
    kindGroup->setObjectName(QStringLiteral("kindGroup"));
    auto* kindLayout = new QHBoxLayout(kindGroup);
    const std::array<const char*, 3> kindTexts = {"单一音乐", "常用音乐", "列表音乐"};
    const std::array<const char*, 3> kindNames = {"singleRadio", "commonRadio", "listRadio"};
    for (int kind = 0; kind < 3; ++kind) {
        auto* radio = new QRadioButton(QString::fromUtf8(kindTexts.at(kind)), kindGroup);
        radio->setObjectName(QString::fromUtf8(kindNames.at(kind)));
        kindLayout->addWidget(radio);
        connect(radio, &QRadioButton::clicked, this, [this, kind] { OnKindClicked(kind); });
        m_pKind.at(kind) = radio;
    }

    auto* fileGroup = new QGroupBox(QStringLiteral("单一音乐文件"), this);
    fileGroup->setObjectName(QStringLiteral("fileGroup"));
    m_pFile = new QLineEdit(fileGroup);
    m_pFile->setObjectName(QStringLiteral("fileEdit"));
    m_pBrowse = new QPushButton(QStringLiteral("浏览(&B)..."), fileGroup);
    m_pBrowse->setObjectName(QStringLiteral("browseButton"));
    m_pBrowse->setAutoDefault(false);
    auto* fileLayout = new QHBoxLayout(fileGroup);
    fileLayout->addWidget(m_pFile, 1);
    fileLayout->addWidget(m_pBrowse);

    m_pFullPlay = MakeCheck("全曲播放", "fullPlayCheck", this);
    m_pSecondsLabel = MakeLabel("播放时间:", "secondsLabel", this);
    m_pSeconds = new CNumberField(QStringLiteral("secondsEdit"), 0, kMaxSeconds, this);
    m_pSecondsLabel->setBuddy(m_pSeconds);
    m_pSecondsUnit = MakeLabel("秒", "secondsUnitLabel", this);
    m_pLength = MakeLabel("全曲长: ", "lengthLabel", this);
    m_pAutoPlay = MakeCheck("自动播放", "autoPlayCheck", this);
    m_pVolumeLabel = MakeLabel("音量控制:", "volumeLabel", this);
    m_pVolume = new CNumberField(QStringLiteral("volumeEdit"), 0, kMaxVolume, this);
    m_pVolume->SetDigitsOnly(true);
    m_pVolumeLabel->setBuddy(m_pVolume);
    m_pDefaultVolume = MakeCheck("默认音量", "defaultVolumeCheck", this);
    auto* play = new QGridLayout;
    play->addWidget(m_pFullPlay, 0, 0);
    play->addWidget(m_pSecondsLabel, 0, 1);
    play->addWidget(m_pSeconds, 0, 2);
    play->addWidget(m_pSecondsUnit, 0, 3);
    play->addWidget(m_pLength, 0, 4);
    play->addWidget(m_pAutoPlay, 1, 0);
    play->addWidget(m_pVolumeLabel, 1, 1);
    play->addWidget(m_pVolume, 1, 2);
    play->addWidget(m_pDefaultVolume, 1, 4);
    play->setColumnStretch(4, 1);

    auto* runGroup = new QGroupBox(QStringLiteral("播放前运行程序"), this);
    runGroup->setObjectName(QStringLiteral("runGroup"));
    m_pRunBefore = MakeCheck("运行程序", "runBeforeCheck", runGroup);
    m_pParamsLabel = MakeLabel("命令行参数:", "paramsLabel", runGroup);
    m_pParams = new QLineEdit(runGroup);
    m_pParams->setObjectName(QStringLiteral("paramsEdit"));
    m_pParamsLabel->setBuddy(m_pParams);
    m_pDefaultParams = MakeCheck("默认参数", "defaultParamsCheck", runGroup);
    auto* runLayout = new QHBoxLayout(runGroup);
    runLayout->addWidget(m_pRunBefore);
    runLayout->addWidget(m_pParamsLabel);
    runLayout->addWidget(m_pParams, 1);
    runLayout->addWidget(m_pDefaultParams);

    m_pTrial = new QPushButton(QStringLiteral("试播(&P)"), this);
    m_pTrial->setObjectName(QStringLiteral("trialButton"));
    m_pTrial->setAutoDefault(false);
    m_pTrial->setEnabled(false);
    m_pOk = new QPushButton(QStringLiteral("确定(&Y)"), this);
    m_pOk->setObjectName(QStringLiteral("okButton"));
    m_pOk->setDefault(true);
    m_pCancel = new QPushButton(QStringLiteral("取消(&N)"), this);
    m_pCancel->setObjectName(QStringLiteral("cancelButton"));
    m_pCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pTrial);
    buttons->addStretch(1);
    buttons->addWidget(m_pOk);
    buttons->addWidget(m_pCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(kindGroup);
    layout->addWidget(fileGroup);
    layout->addLayout(play);
    layout->addWidget(runGroup);
    layout->addLayout(buttons);

    connect(m_pEditorButton, &QPushButton::clicked, this, &CItemEditDlg::OnEditorButton);
    connect(m_pBrowse, &QPushButton::clicked, this, &CItemEditDlg::OnBrowse);
    connect(m_pTrial, &QPushButton::clicked, this, &CItemEditDlg::OnTrialPlay);
    connect(m_pOk, &QPushButton::clicked, this, &CItemEditDlg::accept);
    connect(m_pCancel, &QPushButton::clicked, this, &CItemEditDlg::reject);
    for (QCheckBox* box : {m_pFullPlay, m_pDefaultVolume, m_pDefaultParams}) {
        connect(box, &QCheckBox::toggled, this, &CItemEditDlg::UpdateDependentFields);
    }
}

void CItemEditDlg::showEvent(QShowEvent* event) {
    if (!m_bInitialised) {
        m_bInitialised = true;
        InitialiseFromItem();
    }
    QDialog::showEvent(event);
}

void CItemEditDlg::InitialiseFromItem() {
    m_pFullPlay->setChecked(m_Item.fullPlay != 0);
    m_pSeconds->SetValue(m_Item.limit / kMsPerSecond);
    m_pTitle->addItems([this] {
        QStringList titles;
        for (const std::string& title : m_Host.Settings().ReadPresetTitles()) {
            titles << Q(title);
        }
        return titles;
    }());
    m_pTitle->setCurrentIndex(-1);
    m_pTitle->setEditText(Q(m_Item.title));
    m_pNameEdit->setText(Q(m_Item.musicName));
    m_pFile->setText(Q(m_Item.path));
    m_strFile = m_Item.path;
    m_pAutoPlay->setChecked(m_Item.autoPlay != 0);
    m_pDefaultVolume->setChecked(m_Item.useDefaultVolume != 0);
    m_pVolume->SetValue(std::clamp(m_Item.volume, 0, kMaxVolume));
    m_pRunBefore->setChecked(m_Item.runBefore != 0);
    m_pDefaultParams->setChecked(m_Item.useDefaultParams != 0);
    m_pParams->setText(Q(m_Item.params));

    const bool extRun = m_Host.Session().Options().extRun;
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_pRunBefore, m_pParamsLabel, m_pDefaultParams}) {
        control->setEnabled(extRun);
    }

    if (m_Item.kind == schedule::CommonMusic || m_Item.kind == schedule::ListMusic) {
        m_pKind.at(m_Item.kind)->setChecked(true);
        EnterStoreMode(m_Item.kind);
        const int found = m_pNameList->findText(Q(m_Item.musicName),
                                                Qt::MatchFixedString | Qt::MatchCaseSensitive);
        m_pNameList->setCurrentIndex(found);
    } else {
        // A file that does not open now (an offline share, a path written on another
        // system, a format without a decoder here) keeps its path: only the trial is
        // disabled, and the dialog says why.
        if (!m_strFile.empty() && !Measure(m_strFile, false)) {
            m_pLength->setText(QString::fromUtf8(kCannotOpenNow));
        }
        m_pKind.at(schedule::SingleMusic)->setChecked(true);
        EnterSingleMode();
    }

    // A time of 0 starts a new item at the current time; an edited item keeps midnight.
    if (m_Item.time != 0 || m_bEditing) {
        m_pTime->setTime(QTime(m_Item.time / kSecondsPerHour,
                               m_Item.time % kSecondsPerHour / kSecondsPerMinute,
                               m_Item.time % kSecondsPerMinute));
    } else {
        const platform::LocalTime now = m_Clock.Now();
        m_pTime->setTime(QTime(now.hour, now.minute, now.second));
    }
    UpdateDependentFields();
}

// Enables the fields that their check boxes govern, as far as the mode allows.
void CItemEditDlg::UpdateDependentFields() {
    const bool single = m_nKind == schedule::SingleMusic;
    m_pVolume->setEnabled(single && !m_pDefaultVolume->isChecked());
    m_pSeconds->setEnabled(single && !m_pFullPlay->isChecked());
    m_pParams->setEnabled(m_Host.Session().Options().extRun && !m_pDefaultParams->isChecked());
}

void CItemEditDlg::EnterSingleMode() {
    m_nKind = schedule::SingleMusic;
    for (QWidget* control : std::initializer_list<QWidget*>{
             m_pFile, m_pBrowse, m_pFullPlay, m_pSecondsLabel, m_pVolumeLabel, m_pSecondsUnit,
             m_pLength, m_pAutoPlay, m_pDefaultVolume}) {
        control->setEnabled(true);
    }
    m_pTrial->setEnabled(m_bFileMeasured);
    m_pEditorButton->hide();
    m_pNameList->hide();
    m_pNameList->clear();
    m_pNameEdit->show();
    UpdateDependentFields();
}

void CItemEditDlg::EnterStoreMode(int kind) {
    m_nKind = kind;
    for (QWidget* control : std::initializer_list<QWidget*>{
             m_pFile, m_pTrial, m_pBrowse, m_pFullPlay, m_pSecondsLabel, m_pVolumeLabel,
             m_pSecondsUnit, m_pLength, m_pAutoPlay, m_pVolume, m_pSeconds, m_pDefaultVolume}) {
        control->setEnabled(false);
    }
    m_pEditorButton->setText(
        QString::fromUtf8(kind == schedule::CommonMusic ? kCommonEditorText : kPlaylistEditorText));
    m_pEditorButton->show();
    m_pNameEdit->hide();
    m_pNameList->show();
    m_pNameList->clear();
    FillNames();
    StopTrial();
}

void CItemEditDlg::FillNames() {
    std::vector<std::string> names;
    if (m_nKind == schedule::CommonMusic) {
        m_Host.CommonTracks().GetNames(names);
    } else if (m_nKind == schedule::ListMusic) {
        m_Host.Playlists().GetNames(names);
    }
    QStringList texts;
    for (const std::string& name : names) {
        texts << Q(name);
    }
    QStringList shown;
    for (int i = 0; i < m_pNameList->count(); ++i) {
        shown << m_pNameList->itemText(i);
    }
    if (texts == shown) {
        return;
    }
    // The name chosen before stays chosen when the store still holds it.
    const QString chosen =
        m_pNameList->currentIndex() >= 0 ? m_pNameList->currentText() : QString();
    m_pNameList->clear();
    m_pNameList->addItems(texts);
    m_pNameList->setCurrentIndex(
        chosen.isEmpty()
            ? -1
            : m_pNameList->findText(chosen, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void CItemEditDlg::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && m_nKind != schedule::SingleMusic) {
        FillNames();
    }
}

bool CItemEditDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pNameList && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        // An open drop-down closes on its own; a closed list keeps the dialog open.
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CItemEditDlg::OnKindClicked(int kind) {
    if (kind == schedule::SingleMusic) {
        EnterSingleMode();
    } else {
        EnterStoreMode(kind);
    }
}

void CItemEditDlg::OnEditorButton() {
    m_Host.OpenStoreEditor(m_nKind == schedule::ListMusic ? kCmdPlaylists : kCmdCommonTracks);
}

bool CItemEditDlg::Measure(const std::string& file, bool setSeconds) {
    const auto length = static_cast<std::int32_t>(
        m_Host.Player().ProbeLength(schedule::ResolvePath(m_Host.AppDir(), file)));
    if (length <= 0) {
        return false;
    }
    if (setSeconds) {
        m_pSeconds->SetValue(length / kMsPerSecond);
    }
    m_pLength->setText(QString::fromUtf8(kLengthFormat).arg(length / kMsPerSecond));
    m_bFileMeasured = true;
    m_pTrial->setEnabled(true);
    return true;
}

void CItemEditDlg::DropFile() {
    m_pTrial->setEnabled(false);
    m_bFileMeasured = false;
    m_strFile.clear();
    m_pFile->clear();
}

void CItemEditDlg::OnBrowse() {
    platform::FileDialogRequest request;
    request.folder = m_Host.AppDir() + kMusicFolder;
    request.filter = player::CPlayerDlg::kMusicFilter;
    const std::vector<std::string> chosen = m_Host.Dialogs().ChooseFiles(request);
    if (chosen.empty()) {
        return;
    }
    m_strFile = schedule::MakeRelative(m_Host.AppDir(), chosen.front());
    m_pFile->setText(Q(m_strFile));
    if (!Measure(m_strFile, true)) {
        m_Host.Dialogs().Message(kWrongFormat, kErrorCaption, platform::MessageIcon::Error,
                                 platform::MessageButtons::Ok);
        DropFile();
        return;
    }
    // The file's own name is the name an item usually wants.
    if (m_pNameEdit->text().isEmpty()) {
        m_pNameEdit->setText(QFileInfo(Q(chosen.front())).completeBaseName());
    }
}

void CItemEditDlg::OnTrialPlay() {
    // A second press stops this dialog's trial; it never stops a bell.
    if (m_Host.Session().IsTrialPlaying(m_nTrial)) {
        StopTrial();
        return;
    }
    if (!m_bFileMeasured) {
        return;
    }
    // The whole file at the default volume.
    m_nTrial = StartTrial(m_Host, {TrialFile{m_strFile}});
}

// Stops the trial this dialog started, unless something else has started since: a bell
// has replaced the trial in the player and goes on playing.
void CItemEditDlg::StopTrial() {
    m_Host.Session().EndTrial(m_nTrial);
    m_nTrial = 0;
}

bool CItemEditDlg::CheckTextFits(const QString& text, const char* what, QWidget* control) {
    if (schedule::EncodeFileText(S(text)).size() <= static_cast<std::size_t>(kMaxTextBytes)) {
        return true;
    }
    m_Host.Dialogs().Message(S(QStringLiteral("%1太长，不能超过%2个字节，请修改后再重试！")
                                   .arg(QString::fromUtf8(what))
                                   .arg(kMaxTextBytes)),
                             kErrorCaption, platform::MessageIcon::Information,
                             platform::MessageButtons::Ok);
    control->setFocus();
    return false;
}

void CItemEditDlg::accept() {
    platform::Dialogs& dialogs = m_Host.Dialogs();
    const int kind = m_nKind;
    const QString title = m_pTitle->currentText();
    if (kind == schedule::SingleMusic && m_pNameEdit->text().isEmpty() &&
        !m_pFile->text().isEmpty()) {
        m_pNameEdit->setText(
            QFileInfo(Q(schedule::NormalizeSeparators(S(m_pFile->text())))).completeBaseName());
    }
    const QString name =
        kind == schedule::SingleMusic ? m_pNameEdit->text() : m_pNameList->currentText();
    if (title.isEmpty()) {
        dialogs.Message(kTitleEmpty, kErrorCaption, platform::MessageIcon::Information,
                        platform::MessageButtons::Ok);
        m_pTitle->setFocus();
        return;
    }
    if (name.isEmpty() || (kind != schedule::SingleMusic && m_pNameList->currentIndex() < 0)) {
        dialogs.Message(kNameEmpty, kErrorCaption, platform::MessageIcon::Information,
                        platform::MessageButtons::Ok);
        (kind == schedule::SingleMusic ? static_cast<QWidget*>(m_pNameEdit) : m_pNameList)
            ->setFocus();
        return;
    }
    int seconds = 0;
    int volume = 0;
    if (!m_pSeconds->Read(dialogs, seconds) || !m_pVolume->Read(dialogs, volume)) {
        return;
    }
    // A negative play time is said as such; one whose milliseconds would not fit the
    // file's 32-bit field is no usable whole number either.
    if (seconds < 0 || seconds > std::numeric_limits<std::int32_t>::max() / kMsPerSecond) {
        dialogs.Message(seconds < 0 ? kNegativePlayTimeText : kEnterIntegerText,
                        kEnterIntegerCaption, platform::MessageIcon::Warning,
                        platform::MessageButtons::Ok);
        m_pSeconds->setFocus();
        return;
    }
    if (!CheckTextFits(title, "作息项标题", m_pTitle) ||
        !CheckTextFits(
            name, "作息曲目名",
            kind == schedule::SingleMusic ? static_cast<QWidget*>(m_pNameEdit) : m_pNameList) ||
        !CheckTextFits(m_pFile->text(), "音乐文件名", m_pFile) ||
        !CheckTextFits(m_pParams->text(), "命令行参数", m_pParams)) {
        return;
    }

    const QTime time = m_pTime->time();
    m_Item.useDefaultVolume = m_pDefaultVolume->isChecked() ? 1 : 0;
    m_Item.fullPlay = m_pFullPlay->isChecked() ? 1 : 0;
    m_Item.limit = seconds * kMsPerSecond;
    m_Item.title = S(title);
    m_Item.musicName = S(name);
    m_Item.path = S(m_pFile->text());
    m_Item.time = time.hour() * kSecondsPerHour + time.minute() * kSecondsPerMinute + time.second();
    m_Item.kind = m_nKind;
    m_Item.volume = volume;
    m_Item.autoPlay = m_pAutoPlay->isChecked() ? 1 : 0;
    m_Item.runBefore = m_pRunBefore->isChecked() ? 1 : 0;
    m_Item.useDefaultParams = m_pDefaultParams->isChecked() ? 1 : 0;
    m_Item.params = S(m_pParams->text());
    StopTrial();
    QDialog::accept();
}

void CItemEditDlg::reject() {
    StopTrial();
    QDialog::reject();
}

}  // namespace editors
