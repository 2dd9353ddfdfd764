#include "editors/speak_dlg.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace editors {

namespace {
constexpr int kTextWidth = 360;
constexpr int kTextHeight = 120;
}  // namespace

CSpeakDlg::CSpeakDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("speakDlg"));
    setWindowTitle(QString::fromUtf8(kTitle));
    auto* label =
        new QLabel(QStringLiteral("要播报的文字（保存在“音乐库/播报”中，可再放入作息表）："), this);
    m_pText = new QPlainTextEdit(this);
    m_pText->setObjectName(QStringLiteral("speakText"));
    m_pText->setMinimumSize(kTextWidth, kTextHeight);
    m_pText->setTabChangesFocus(true);
    label->setBuddy(m_pText);

    auto* speak = new QPushButton(QStringLiteral("播报(&S)"), this);
    speak->setObjectName(QStringLiteral("speakButton"));
    speak->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(speak);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_pText, 1);
    layout->addLayout(buttons);

    connect(speak, &QPushButton::clicked, this, &CSpeakDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CSpeakDlg::reject);
}

std::string CSpeakDlg::Text() const {
    return m_pText->toPlainText().trimmed().toStdString();
}

void CSpeakDlg::accept() {
    if (Text().empty()) {
        m_pText->setFocus();
        return;
    }
    QDialog::accept();
}

}  // namespace editors
