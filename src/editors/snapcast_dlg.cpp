#include "editors/snapcast_dlg.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "player/snapcast_output.h"

namespace editors {

namespace {

constexpr const char* kCaption = "Snapcast 服务器";
constexpr int kMaxPort = 65535;
// The lead box's lowest value: no lead given, the server's status tells it.
constexpr int kLeadFromServer = -1;
constexpr int kLeadStepMs = 50;
constexpr int kDefaultSourcePort = 4953;

}  // namespace

CSnapcastDlg::CSnapcastDlg(const std::string& current, platform::Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_Dialogs(dialogs) {
    setObjectName(QStringLiteral("snapcastDlg"));
    setWindowTitle(QString::fromUtf8(kCaption));
    player::SnapcastOutput output;
    output.host = "127.0.0.1";
    output.port = kDefaultSourcePort;
    if (const auto stored = player::ParseSnapcastOutput(current)) {
        output = *stored;
    }

    m_pHost = new QLineEdit(QString::fromStdString(output.host), this);
    m_pHost->setObjectName(QStringLiteral("snapcastHost"));
    m_pPort = new QSpinBox(this);
    m_pPort->setObjectName(QStringLiteral("snapcastPort"));
    m_pPort->setRange(1, kMaxPort);
    m_pPort->setValue(output.port);
    m_pFormat = new QLineEdit(QString::fromStdString(player::SampleFormatText(output)), this);
    m_pFormat->setObjectName(QStringLiteral("snapcastFormat"));
    m_pLocalToo = new QCheckBox(QStringLiteral("本机同时播放"), this);
    m_pLocalToo->setObjectName(QStringLiteral("snapcastLocal"));
    m_pLocalToo->setChecked(output.localToo);
    m_pLead = new QSpinBox(this);
    m_pLead->setObjectName(QStringLiteral("snapcastLead"));
    m_pLead->setRange(kLeadFromServer, player::kSnapcastMaxLeadMs);
    m_pLead->setSingleStep(kLeadStepMs);
    m_pLead->setSuffix(QStringLiteral(" 毫秒"));
    m_pLead->setSpecialValueText(QStringLiteral("按服务器缓冲"));
    m_pLead->setValue(output.leadMs < 0 ? kLeadFromServer : output.leadMs);
    m_pControlPort = new QSpinBox(this);
    m_pControlPort->setObjectName(QStringLiteral("snapcastControlPort"));
    m_pControlPort->setRange(1, kMaxPort);
    m_pControlPort->setValue(output.controlPort);

    auto* okButton = new QPushButton(QStringLiteral("确定"), this);
    okButton->setObjectName(QStringLiteral("snapcastOk"));
    okButton->setDefault(true);
    auto* cancelButton = new QPushButton(QStringLiteral("取消"), this);
    cancelButton->setObjectName(QStringLiteral("snapcastCancel"));
    connect(okButton, &QPushButton::clicked, this, &CSnapcastDlg::accept);
    connect(cancelButton, &QPushButton::clicked, this, &CSnapcastDlg::reject);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("主机:"), m_pHost);
    form->addRow(QStringLiteral("TCP 音源端口:"), m_pPort);
    form->addRow(QStringLiteral("采样格式:"), m_pFormat);
    form->addRow(QStringLiteral("提前量:"), m_pLead);
    form->addRow(QStringLiteral("控制端口 (JSON-RPC):"), m_pControlPort);
    form->addRow(m_pLocalToo);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

std::string CSnapcastDlg::Output() {
    player::SnapcastOutput output;
    output.host = m_pHost->text().trimmed().toStdString();
    output.port = m_pPort->value();
    output.localToo = m_pLocalToo->isChecked();
    output.leadMs = m_pLead->value() == kLeadFromServer ? -1 : m_pLead->value();
    output.controlPort = m_pControlPort->value();
    if (!player::ParseSampleFormat(m_pFormat->text().trimmed().toStdString(), &output)) {
        m_Dialogs.Message(kSnapcastBadFormat, kCaption, platform::MessageIcon::Error,
                          platform::MessageButtons::Ok);
        m_pFormat->setFocus();
        return {};
    }
    // The identifier is read back as the program will read it: a host that would not
    // survive that is refused here.
    std::string id = player::FormatSnapcastOutput(output);
    const auto parsed = player::ParseSnapcastOutput(id);
    if (!parsed || parsed->host != output.host) {
        m_Dialogs.Message(kSnapcastBadHost, kCaption, platform::MessageIcon::Error,
                          platform::MessageButtons::Ok);
        m_pHost->setFocus();
        return {};
    }
    return id;
}

void CSnapcastDlg::accept() {
    if (std::string id = Output(); !id.empty()) {
        m_strChosen = std::move(id);
        QDialog::accept();
    }
}

}  // namespace editors
