#include "editors/track_entry_panel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "editors/editor_support.h"
#include "editors/number_field.h"

namespace editors {

namespace {

using schedule::TrackEntry;

constexpr const char* kLengthLabel = "全曲长:";
constexpr const char* kLengthFormat = "全曲长:%1秒";
// The arrows of the number fields step within these ranges; typing is not limited.
constexpr int kMaxArrowSeconds = schedule::kSecondsPerDay;
constexpr int kMaxArrowVolume = 100;

// The object name of a control: "main" and "FileEdit" give "mainFileEdit", no prefix
// gives "fileEdit".
QString ControlName(const QString& prefix, const QString& name) {
    if (!prefix.isEmpty()) {
        return prefix + name;
    }
    return name.left(1).toLower() + name.mid(1);
}

}  // namespace

CTrackEntryPanel::CTrackEntryPanel(const QString& title, const QString& namePrefix,
                                   const QString& browseText, QWidget* parent)
    : QGroupBox(title, parent) {
    if (!namePrefix.isEmpty()) {
        setObjectName(namePrefix + QStringLiteral("Group"));
    }
    auto* fileLabel = new QLabel(QStringLiteral("文件名:"), this);
    m_pFile = new QLineEdit(this);
    m_pFile->setObjectName(ControlName(namePrefix, QStringLiteral("FileEdit")));
    fileLabel->setBuddy(m_pFile);
    m_pBrowse = new QPushButton(browseText, this);
    m_pBrowse->setObjectName(ControlName(namePrefix, QStringLiteral("BrowseButton")));
    m_pBrowse->setAutoDefault(false);
    m_pFullPlay = new QCheckBox(QStringLiteral("全曲播放"), this);
    m_pFullPlay->setObjectName(ControlName(namePrefix, QStringLiteral("FullPlayCheck")));
    m_pFullPlay->setChecked(true);
    auto* timeLabel = new QLabel(QStringLiteral("播放时间:"), this);
    m_pSeconds = new CNumberField(ControlName(namePrefix, QStringLiteral("SecondsEdit")), 0,
                                  kMaxArrowSeconds, this);
    m_pSeconds->SetValue(0);
    timeLabel->setBuddy(m_pSeconds);
    auto* secondsUnit = new QLabel(QStringLiteral("秒"), this);
    m_pLength = new QLabel(QString::fromUtf8(kLengthLabel), this);
    m_pLength->setObjectName(ControlName(namePrefix, QStringLiteral("LengthLabel")));
    m_pAutoPlay = new QCheckBox(QStringLiteral("自动播放"), this);
    m_pAutoPlay->setObjectName(ControlName(namePrefix, QStringLiteral("AutoPlayCheck")));
    m_pAutoPlay->setChecked(true);
    auto* volumeLabel = new QLabel(QStringLiteral("音量控制:"), this);
    m_pVolume = new CNumberField(ControlName(namePrefix, QStringLiteral("VolumeEdit")), 0,
                                 kMaxArrowVolume, this);
    m_pVolume->SetValue(kFullVolume);
    volumeLabel->setBuddy(m_pVolume);
    m_pDefaultVolume = new QCheckBox(QStringLiteral("使用默认音量"), this);
    m_pDefaultVolume->setObjectName(ControlName(namePrefix, QStringLiteral("DefaultVolumeCheck")));
    m_pDefaultVolume->setChecked(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(fileLabel, 0, 0);
    grid->addWidget(m_pFile, 0, 1, 1, 3);
    grid->addWidget(m_pBrowse, 0, 4);
    grid->addWidget(m_pFullPlay, 1, 0);
    grid->addWidget(timeLabel, 1, 1, Qt::AlignRight);
    grid->addWidget(m_pSeconds, 1, 2);
    grid->addWidget(secondsUnit, 1, 3);
    grid->addWidget(m_pLength, 1, 4);
    grid->addWidget(m_pAutoPlay, 2, 0);
    grid->addWidget(volumeLabel, 2, 1, Qt::AlignRight);
    grid->addWidget(m_pVolume, 2, 2);
    grid->addWidget(m_pDefaultVolume, 2, 3, 1, 2);
    grid->setColumnStretch(2, 1);

    for (QLineEdit* edit : {m_pSeconds->Edit(), m_pVolume->Edit()}) {
        connect(edit, &QLineEdit::textChanged, this, &CTrackEntryPanel::Edited);
    }
    connect(m_pAutoPlay, &QCheckBox::clicked, this, &CTrackEntryPanel::Edited);
    for (QCheckBox* box : {m_pFullPlay, m_pDefaultVolume}) {
        connect(box, &QCheckBox::clicked, this, [this] {
            ApplyEnabling();
            emit Edited();
        });
    }
}

void CTrackEntryPanel::SetDigitsOnly(bool on) {
    m_pSeconds->SetDigitsOnly(on);
    m_pVolume->SetDigitsOnly(on);
}

bool CTrackEntryPanel::ReadNumbers(platform::Dialogs& dialogs, int& seconds, int& volume) const {
    if (!m_pSeconds->Read(dialogs, seconds)) {
        return false;
    }
    if (seconds < 0) {
        dialogs.Message(kNegativePlayTimeText, kEnterIntegerCaption, platform::MessageIcon::Warning,
                        platform::MessageButtons::Ok);
        m_pSeconds->Edit()->setFocus();
        m_pSeconds->Edit()->selectAll();
        return false;
    }
    return m_pVolume->Read(dialogs, volume);
}

void CTrackEntryPanel::ReadEntry(TrackEntry& entry, int seconds, int volume) const {
    entry.path = S(m_pFile->text());
    entry.fullPlay = m_pFullPlay->isChecked() ? 1 : 0;
    entry.limit = SecondsToMs(seconds);
    entry.autoPlay = m_pAutoPlay->isChecked() ? 1 : 0;
    entry.volume = volume;
    entry.useDefaultVolume = m_pDefaultVolume->isChecked() ? 1 : 0;
}

void CTrackEntryPanel::ShowEntry(const TrackEntry& entry) {
    m_pFile->setText(Q(entry.path));
    m_pFullPlay->setChecked(entry.fullPlay != 0);
    m_pSeconds->SetValue(entry.limit / kMsPerSecond);
    m_pAutoPlay->setChecked(entry.autoPlay != 0);
    m_pVolume->SetValue(entry.volume);
    m_pDefaultVolume->setChecked(entry.useDefaultVolume != 0);
}

void CTrackEntryPanel::ShowLength(int seconds) {
    m_pLength->setText(QString::fromUtf8(kLengthFormat).arg(seconds));
}

void CTrackEntryPanel::ApplyEnabling() {
    m_pSeconds->setEnabled(isEnabled() && !m_pFullPlay->isChecked());
    m_pVolume->setEnabled(isEnabled() && !m_pDefaultVolume->isChecked());
}

}  // namespace editors
