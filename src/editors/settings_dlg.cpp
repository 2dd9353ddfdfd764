#include "editors/settings_dlg.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <map>

#include "editors/number_field.h"
#include "editors/snapcast_dlg.h"
#include "editors/text_limit.h"
#include "player/snapcast_output.h"
#include "player/speech_cache.h"
#include "remote/remote_config.h"
#include "remote/remote_token.h"

namespace editors {

namespace {

constexpr const char* kCaption = "系统设置";
constexpr const char* kVolumeFormat = "当前音量:%1";
constexpr const char* kDefaultOutput = "系统默认";
// A name shared by several outputs is told apart by the output's identifier.
constexpr const char* kSameNameFormat = "%1 (%2)";
// The stored output that the system does not offer now.
constexpr const char* kMissingOutputFormat = "%1（未连接）";
// The Snapcast output chosen, and the entry that opens its dialog (whose data is the
// scheme alone, which names no output).
constexpr const char* kSnapcastOutputFormat = "Snapcast 服务器 %1:%2";
constexpr const char* kSnapcastChoice = "Snapcast 服务器…";
constexpr const char* kRemoteBadAddress = "远程控制的地址应为 IP 地址，例如 127.0.0.1 或 0.0.0.0";
constexpr const char* kRemoteFailed = "远程控制无法开启：\n%1";
constexpr int kDelayArrowMinimum = 0;
constexpr int kDelayArrowMaximum = 10;
constexpr int kVolumeMinimum = 0;
constexpr int kVolumeMaximum = 100;
// The longest delay whose seconds still fit the engine's 32-bit count.
constexpr int kDelayMaximumMinutes = std::numeric_limits<int>::max() / engine::kSecondsPerMinute;

}  // namespace

CSettingsDlg::CSettingsDlg(IEditorHost& host, QWidget* parent)
    : QDialog(parent != nullptr ? parent : host.Window()), m_Host(host) {
    setObjectName(QStringLiteral("settingsDlg"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8(kCaption));

    auto* nameLabel = new QLabel(QStringLiteral("学校名称:"), this);
    m_pSchoolName = new QLineEdit(this);
    m_pSchoolName->setObjectName(QStringLiteral("schoolName"));
    nameLabel->setBuddy(m_pSchoolName);

    m_pAutoShutdown = new QCheckBox(QStringLiteral("作息表播放完毕后自动关机:延时"), this);
    m_pAutoShutdown->setObjectName(QStringLiteral("autoShutdown"));
    m_pDelay = new CNumberField(QStringLiteral("shutdownDelay"), kDelayArrowMinimum,
                                kDelayArrowMaximum, this);
    auto* minutesLabel = new QLabel(QStringLiteral("分钟"), this);

    m_pShowPending =
        new QCheckBox(QStringLiteral("程序启动时显示待播界面(不选中时为列表界面)"), this);
    m_pShowPending->setObjectName(QStringLiteral("showPending"));
    m_pShowPlayer = new QCheckBox(QStringLiteral("播放时自动显示播放器"), this);
    m_pShowPlayer->setObjectName(QStringLiteral("showPlayer"));
    m_pPopupPrompt = new QCheckBox(QStringLiteral("作息项播放前显示提示"), this);
    m_pPopupPrompt->setObjectName(QStringLiteral("popupPrompt"));
    m_pAutostart = new QCheckBox(QStringLiteral("开机自动运行"), this);
    m_pAutostart->setObjectName(QStringLiteral("autostart"));

    auto* volumeGroup = new QGroupBox(QStringLiteral("默认音量:"), this);
    m_pVolume = new QSlider(Qt::Horizontal, volumeGroup);
    m_pVolume->setObjectName(QStringLiteral("defaultVolume"));
    m_pVolume->setRange(kVolumeMinimum, kVolumeMaximum);
    m_pVolumeLabel = new QLabel(volumeGroup);
    m_pVolumeLabel->setObjectName(QStringLiteral("volumeLabel"));
    auto* volumeLayout = new QVBoxLayout(volumeGroup);
    volumeLayout->addWidget(m_pVolume);
    volumeLayout->addWidget(m_pVolumeLabel);

    auto* outputLabel = new QLabel(QStringLiteral("输出设备:"), this);
    m_pOutputDevice = new QComboBox(this);
    m_pOutputDevice->setObjectName(QStringLiteral("outputDevice"));
    m_pOutputDevice->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    outputLabel->setBuddy(m_pOutputDevice);

    auto* applyButton = new QPushButton(QStringLiteral("应用(&Y)"), this);
    applyButton->setObjectName(QStringLiteral("applyButton"));
    applyButton->setAutoDefault(false);
    auto* okButton = new QPushButton(QStringLiteral("确定(&S)"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setDefault(true);
    auto* closeButton = new QPushButton(QStringLiteral("退出(&X)"), this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    closeButton->setAutoDefault(false);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(m_pSchoolName, 1);
    auto* delayRow = new QHBoxLayout;
    delayRow->addWidget(m_pAutoShutdown);
    delayRow->addWidget(m_pDelay);
    delayRow->addWidget(minutesLabel);
    delayRow->addStretch(1);
    auto* outputRow = new QHBoxLayout;
    outputRow->addWidget(outputLabel);
    outputRow->addWidget(m_pOutputDevice, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(applyButton);
    buttons->addWidget(okButton);
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(nameRow);
    layout->addLayout(delayRow);
    layout->addWidget(m_pShowPending);
    layout->addWidget(m_pShowPlayer);
    layout->addWidget(m_pPopupPrompt);
    layout->addWidget(m_pAutostart);
    layout->addWidget(volumeGroup);
    layout->addLayout(outputRow);
    layout->addWidget(CreateSpeechGroup());
    layout->addWidget(CreateRemoteGroup());
    layout->addLayout(buttons);

    setTabOrder(m_pSchoolName, m_pAutoShutdown);
    setTabOrder(m_pAutoShutdown, m_pDelay);
    setTabOrder(m_pDelay, m_pShowPending);
    setTabOrder(m_pShowPending, m_pShowPlayer);
    setTabOrder(m_pShowPlayer, m_pPopupPrompt);
    setTabOrder(m_pPopupPrompt, m_pAutostart);
    setTabOrder(m_pAutostart, m_pVolume);
    setTabOrder(m_pVolume, m_pOutputDevice);
    setTabOrder(m_pOutputDevice, applyButton);
    setTabOrder(applyButton, okButton);
    setTabOrder(okButton, closeButton);

    // The main window's values as they are now.
    const engine::EngineOptions& options = m_Host.Session().Options();
    m_pSchoolName->setText(QString::fromStdString(m_Host.Settings().GetSchoolName()));
    m_pAutoShutdown->setChecked(options.autoShutdown);
    m_pDelay->SetValue(options.shutdownDelaySeconds / engine::kSecondsPerMinute);
    m_pShowPending->setChecked(m_Host.IsPendingDisplay());
    m_pShowPlayer->setChecked(options.showPlayer);
    m_pPopupPrompt->setChecked(options.popupPrompt);
    m_pAutostart->setChecked(m_Host.IsAutostartSet());
    m_pVolume->setValue(std::clamp(options.defaultVolume, kVolumeMinimum, kVolumeMaximum));
    ShowVolume(m_pVolume->value());
    FillOutputDevices();

    // The label follows the slider however it moves, keys included.
    connect(m_pVolume, &QSlider::valueChanged, this, &CSettingsDlg::ShowVolume);
    connect(applyButton, &QPushButton::clicked, this, [this] { Apply(); });
    connect(okButton, &QPushButton::clicked, this, &CSettingsDlg::accept);
    connect(closeButton, &QPushButton::clicked, this, &CSettingsDlg::reject);
}

QWidget* CSettingsDlg::CreateRemoteGroup() {
    const remote::RemoteConfig config = remote::ReadRemoteConfig(m_Host.Settings().File());
    m_strRemoteToken = config.token;
    auto* group = new QGroupBox(QStringLiteral("远程控制"), this);
    group->setObjectName(QStringLiteral("remoteGroup"));
    m_pRemoteOn = new QCheckBox(QStringLiteral("开启远程控制网页"), group);
    m_pRemoteOn->setObjectName(QStringLiteral("remoteOn"));
    m_pRemoteOn->setChecked(config.enabled);
    m_pRemoteAddress = new QLineEdit(QString::fromStdString(config.address), group);
    m_pRemoteAddress->setObjectName(QStringLiteral("remoteAddress"));
    m_pRemotePort = new QSpinBox(group);
    m_pRemotePort->setObjectName(QStringLiteral("remotePort"));
    m_pRemotePort->setRange(1, remote::kMaxPort);
    m_pRemotePort->setValue(config.port);
    auto* regenerate = new QPushButton(QStringLiteral("重新生成令牌"), group);
    regenerate->setObjectName(QStringLiteral("remoteRegenerate"));
    regenerate->setAutoDefault(false);
    m_pRemoteUrl = new QLineEdit(group);
    m_pRemoteUrl->setObjectName(QStringLiteral("remoteUrl"));
    m_pRemoteUrl->setReadOnly(true);
    auto* copy = new QPushButton(QStringLiteral("复制"), group);
    copy->setObjectName(QStringLiteral("remoteCopy"));
    copy->setAutoDefault(false);

    auto* grid = new QGridLayout(group);
    grid->addWidget(m_pRemoteOn, 0, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("地址:"), group), 1, 0);
    grid->addWidget(m_pRemoteAddress, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("端口:"), group), 1, 2);
    grid->addWidget(m_pRemotePort, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("网页地址:"), group), 2, 0);
    grid->addWidget(m_pRemoteUrl, 2, 1, 1, 2);
    grid->addWidget(copy, 2, 3);
    grid->addWidget(regenerate, 3, 3);

    connect(m_pRemoteAddress, &QLineEdit::textChanged, this, [this] { ShowRemoteAddress(); });
    connect(m_pRemotePort, &QSpinBox::valueChanged, this, [this] { ShowRemoteAddress(); });
    connect(regenerate, &QPushButton::clicked, this, [this] {
        m_strRemoteToken = remote::MakeToken();
        ShowRemoteAddress();
    });
    connect(copy, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(m_pRemoteUrl->text()); });
    ShowRemoteAddress();
    return group;
}

QWidget* CSettingsDlg::CreateSpeechGroup() {
    auto* group = new QGroupBox(QStringLiteral("语音"), this);
    group->setObjectName(QStringLiteral("speechGroup"));
    m_pSpeechEngine = new QComboBox(group);
    m_pSpeechEngine->setObjectName(QStringLiteral("speechEngine"));
    m_pSpeechEngine->setEditable(true);
    m_pSpeechEngine->setToolTip(
        QStringLiteral("espeak-ng 的命令行，或写出 WAV 文件的任一命令：{text} 为文本，"
                       "{textfile} 为文本文件，{wav} 为声音文件，{rate} 为语速"));
    // espeak-ng's voices for Mandarin, Cantonese and English.
    for (const char* voice :
         {schedule::ini::kDefaultSpeechEngine, "espeak-ng -v yue", "espeak-ng -v en"}) {
        m_pSpeechEngine->addItem(QString::fromUtf8(voice));
    }
    m_pSpeechEngine->setCurrentText(QString::fromStdString(m_Host.Settings().GetSpeechEngine()));
    m_pSpeechRate = new QSpinBox(group);
    m_pSpeechRate->setObjectName(QStringLiteral("speechRate"));
    m_pSpeechRate->setRange(player::kMinSpeechRate, player::kMaxSpeechRate);
    m_pSpeechRate->setValue(player::VoiceOf(m_Host.Settings()).rate);
    m_pSpeechRate->setSuffix(QStringLiteral(" 字/分钟"));

    auto* grid = new QGridLayout(group);
    auto* engineLabel = new QLabel(QStringLiteral("播报引擎:"), group);
    engineLabel->setBuddy(m_pSpeechEngine);
    auto* rateLabel = new QLabel(QStringLiteral("语速:"), group);
    rateLabel->setBuddy(m_pSpeechRate);
    grid->addWidget(engineLabel, 0, 0);
    grid->addWidget(m_pSpeechEngine, 0, 1);
    grid->addWidget(rateLabel, 0, 2);
    grid->addWidget(m_pSpeechRate, 0, 3);
    grid->setColumnStretch(1, 1);
    return group;
}

bool CSettingsDlg::ApplySpeech() {
    schedule::CSettings& settings = m_Host.Settings();
    std::string command = m_pSpeechEngine->currentText().trimmed().toStdString();
    if (command.empty()) {
        command = schedule::ini::kDefaultSpeechEngine;
        m_pSpeechEngine->setCurrentText(QString::fromUtf8(command.c_str()));
    }
    const int rate = m_pSpeechRate->value();
    // Nothing is written while the group shows what the file gives, so the defaults
    // never land in a file that did not hold them.
    bool written = true;
    if (command != settings.GetSpeechEngine()) {
        written = settings.SetSpeechEngine(command);
    }
    if (rate != player::VoiceOf(settings).rate) {
        written = settings.SetSpeechRate(rate) && written;
    }
    return written;
}

void CSettingsDlg::ShowRemoteAddress() {
    remote::RemoteConfig config;
    config.address = m_pRemoteAddress->text().trimmed().toStdString();
    config.port = m_pRemotePort->value();
    config.token = m_strRemoteToken;
    // Without a token yet, the address shows what the page will be once it is on.
    m_pRemoteUrl->setText(QString::fromStdString(remote::PageUrl(config)));
}

bool CSettingsDlg::ApplyRemote(bool reportUnwritten) {
    remote::RemoteConfig config;
    config.enabled = m_pRemoteOn->isChecked();
    config.address = m_pRemoteAddress->text().trimmed().toStdString();
    config.port = m_pRemotePort->value();
    config.token = m_strRemoteToken;
    if (QHostAddress().setAddress(QString::fromStdString(config.address)) == false) {
        m_Host.Dialogs().Message(kRemoteBadAddress, kCaption, platform::MessageIcon::Error,
                                 platform::MessageButtons::Ok);
        m_pRemoteAddress->setFocus();
        return false;
    }
    // Nothing is written or restarted while the group stays as the file has it, so the
    // section's defaults never land in a file that did not hold them.
    const remote::RemoteConfig stored = remote::ReadRemoteConfig(m_Host.Settings().File());
    if (config.enabled == stored.enabled && config.address == stored.address &&
        config.port == stored.port && config.token == stored.token) {
        return true;
    }
    if (config.enabled && config.token.empty()) {
        config.token = remote::MakeToken();
        m_strRemoteToken = config.token;
        ShowRemoteAddress();
    }
    const bool written = remote::WriteRemoteConfig(m_Host.Settings().File(), config);
    if (!written && reportUnwritten) {
        ReportSettingsNotWritten(m_Host);
    }
    if (std::string error; !m_Host.ApplyRemoteSettings(&error)) {
        m_Host.Dialogs().Message(
            QString::fromUtf8(kRemoteFailed).arg(QString::fromStdString(error)).toStdString(),
            kCaption, platform::MessageIcon::Error, platform::MessageButtons::Ok);
        return false;
    }
    return written;
}

void CSettingsDlg::ShowVolume(int volume) {
    m_pVolumeLabel->setText(QString::fromUtf8(kVolumeFormat).arg(volume));
}

void CSettingsDlg::FillOutputDevices() {
    const std::string stored = m_Host.Settings().GetOutputDevice();
    const std::vector<std::pair<std::string, std::string>> outputs = m_Host.AudioOutputs();
    std::map<std::string, int> nameCounts;
    for (const auto& output : outputs) {
        ++nameCounts[output.second];
    }
    m_pOutputDevice->addItem(QString::fromUtf8(kDefaultOutput), QString());
    int selected = 0;
    for (const auto& [id, name] : outputs) {
        const QString shown = nameCounts[name] > 1 ? QString::fromUtf8(kSameNameFormat)
                                                         .arg(QString::fromStdString(name),
                                                              QString::fromStdString(id))
                                                   : QString::fromStdString(name);
        m_pOutputDevice->addItem(shown, QString::fromStdString(id));
        if (id == stored) {
            selected = m_pOutputDevice->count() - 1;
        }
    }
    if (player::ParseSnapcastOutput(stored)) {
        ShowSnapcastOutput(stored);
        selected = m_pOutputDevice->count() - 1;
    }
    // A stored output that is unplugged now stays chosen, so that applying other
    // settings does not quietly switch the bells to the default output.
    if (!stored.empty() && selected == 0) {
        m_pOutputDevice->addItem(
            QString::fromUtf8(kMissingOutputFormat).arg(QString::fromStdString(stored)),
            QString::fromStdString(stored));
        selected = m_pOutputDevice->count() - 1;
    }
    m_pOutputDevice->addItem(QString::fromUtf8(kSnapcastChoice),
                             QString::fromUtf8(player::kSnapcastScheme));
    m_pOutputDevice->setCurrentIndex(selected);
    m_nOutputIndex = selected;
    connect(m_pOutputDevice, &QComboBox::activated, this, [this](int index) {
        if (m_pOutputDevice->itemData(index).toString() ==
            QString::fromUtf8(player::kSnapcastScheme)) {
            ChooseSnapcast();
        } else {
            m_nOutputIndex = index;
        }
    });
}

void CSettingsDlg::ShowSnapcastOutput(const std::string& id) {
    const auto output = player::ParseSnapcastOutput(id);
    const QString text = QString::fromUtf8(kSnapcastOutputFormat)
                             .arg(QString::fromStdString(output->host))
                             .arg(output->port);
    // One Snapcast entry, just before the entry that opens the dialog.
    for (int i = 0; i < m_pOutputDevice->count(); ++i) {
        if (player::ParseSnapcastOutput(m_pOutputDevice->itemData(i).toString().toStdString())) {
            m_pOutputDevice->setItemText(i, text);
            m_pOutputDevice->setItemData(i, QString::fromStdString(id));
            m_pOutputDevice->setCurrentIndex(i);
            return;
        }
    }
    const int choice = m_pOutputDevice->findData(QString::fromUtf8(player::kSnapcastScheme));
    const int at = choice >= 0 ? choice : m_pOutputDevice->count();
    m_pOutputDevice->insertItem(at, text, QString::fromStdString(id));
    m_pOutputDevice->setCurrentIndex(at);
}

void CSettingsDlg::ChooseSnapcast() {
    // The dialog starts from the Snapcast output the list holds, if any.
    std::string current;
    for (int i = 0; i < m_pOutputDevice->count() && current.empty(); ++i) {
        const std::string id = m_pOutputDevice->itemData(i).toString().toStdString();
        if (player::ParseSnapcastOutput(id)) {
            current = id;
        }
    }
    auto* dialog = new CSnapcastDlg(current, m_Host.Dialogs(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        ShowSnapcastOutput(dialog->Chosen());
        m_nOutputIndex = m_pOutputDevice->currentIndex();
    });
    connect(dialog, &QDialog::rejected, this,
            [this] { m_pOutputDevice->setCurrentIndex(m_nOutputIndex); });
    dialog->open();
}

bool CSettingsDlg::Apply() {
    int minutes = 0;
    if (!m_pDelay->Read(m_Host.Dialogs(), minutes)) {
        return false;
    }
    if (!CheckFieldFits(m_Host.Dialogs(), m_pSchoolName, QStringLiteral("学校名称"),
                        kFileTextMaxBytes)) {
        return false;
    }
    // A negative delay means none; a huge one is kept within what the engine can count.
    minutes = std::clamp(minutes, 0, kDelayMaximumMinutes);
    m_pDelay->SetValue(minutes);
    const std::string schoolName = m_pSchoolName->text().toStdString();
    const bool autoShutdown = m_pAutoShutdown->isChecked();
    const bool showPending = m_pShowPending->isChecked();
    const bool showPlayer = m_pShowPlayer->isChecked();
    const bool popupPrompt = m_pPopupPrompt->isChecked();
    const int volume = std::clamp(m_pVolume->value(), kVolumeMinimum, kVolumeMaximum);
    const std::string output = m_pOutputDevice->currentData().toString().toStdString();

    m_Host.SetSchoolName(schoolName);
    m_Host.SetPendingDisplay(showPending);
    // The box shows what the desktop holds afterwards, so a failed write is not hidden.
    m_pAutostart->setChecked(m_Host.SetAutostart(m_pAutostart->isChecked()));

    engine::EngineOptions options = m_Host.Session().Options();
    options.showPlayer = showPlayer;
    options.shutdownDelaySeconds = minutes * engine::kSecondsPerMinute;
    options.autoShutdown = autoShutdown;
    options.defaultVolume = volume;
    options.popupPrompt = popupPrompt;
    options.outputDevice = output;
    const session::ViewOptions view{schoolName, showPending};
    // In force even when the file cannot take it; the user is told it will not last, once.
    const bool written =
        m_Host.Session().ApplyOptions(options, session::OptionKeys::SystemSettings, &view) &&
        ApplySpeech();
    if (!written) {
        ReportSettingsNotWritten(m_Host);
    }
    return ApplyRemote(written) && written;
}

void CSettingsDlg::accept() {
    if (Apply()) {
        QDialog::accept();
    }
}

}  // namespace editors
