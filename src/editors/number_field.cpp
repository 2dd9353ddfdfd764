#include "editors/number_field.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/dialogs.h"

namespace editors {

namespace {

// Parses an optionally signed decimal whole number, surrounding spaces allowed.
bool ParseWhole(const QString& text, int& value) {
    bool ok = false;
    const int parsed = text.trimmed().toInt(&ok, 10);
    if (ok) {
        value = parsed;
    }
    return ok;
}

}  // namespace

CNumberField::CNumberField(const QString& objectName, int minimum, int maximum, QWidget* parent)
    : QWidget(parent), m_nMinimum(minimum), m_nMaximum(maximum) {
    m_pEdit = new QLineEdit(this);
    m_pEdit->setObjectName(objectName);
    m_pEdit->installEventFilter(this);
    m_pUp = new QToolButton(this);
    m_pUp->setObjectName(objectName + QStringLiteral("Up"));
    m_pUp->setArrowType(Qt::UpArrow);
    m_pDown = new QToolButton(this);
    m_pDown->setObjectName(objectName + QStringLiteral("Down"));
    m_pDown->setArrowType(Qt::DownArrow);
    for (QToolButton* arrow : {m_pUp, m_pDown}) {
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setAutoRepeat(true);
        arrow->setFixedWidth(arrow->sizeHint().width());
        arrow->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
    }
    connect(m_pUp, &QToolButton::clicked, this, [this] { Step(1); });
    connect(m_pDown, &QToolButton::clicked, this, [this] { Step(-1); });

    auto* arrows = new QVBoxLayout;
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    arrows->addWidget(m_pUp);
    arrows->addWidget(m_pDown);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pEdit);
    layout->addLayout(arrows);
    setFocusProxy(m_pEdit);
}

void CNumberField::SetValue(int value) {
    m_pEdit->setText(QString::number(value));
}

void CNumberField::SetDigitsOnly(bool on) {
    if (on) {
        m_pEdit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_pEdit));
    } else {
        m_pEdit->setValidator(nullptr);
    }
}

bool CNumberField::Read(platform::Dialogs& dialogs, int& value) const {
    if (ParseWhole(m_pEdit->text(), value)) {
        return true;
    }
    dialogs.Message(kEnterIntegerText, kEnterIntegerCaption, platform::MessageIcon::Warning,
                    platform::MessageButtons::Ok);
    m_pEdit->setFocus();
    m_pEdit->selectAll();
    return false;
}

bool CNumberField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pEdit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// Steps from the field's number, or from the range's start when it holds none, and keeps
// the result inside the range.
void CNumberField::Step(int delta) {
    int value = m_nMinimum;
    if (ParseWhole(m_pEdit->text(), value)) {
        value = std::clamp(value, m_nMinimum, m_nMaximum);
        value = std::clamp(value + delta, m_nMinimum, m_nMaximum);
    }
    SetValue(value);
    m_pEdit->selectAll();
}

}  // namespace editors
