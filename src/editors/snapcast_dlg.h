#pragma once
// The Snapcast output's own small dialog, opened from the settings' output list: the
// server's host and the port of its TCP source, the sample format the source expects,
// whether the local output plays at the same time, the lead time (read from the
// server's status unless given) and the server's JSON-RPC port. OK keeps the output's
// identifier for the settings dialog to apply.

#include <QDialog>
#include <string>

#include "platform/dialogs.h"

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace editors {

inline constexpr const char* kSnapcastBadHost = "Snapcast 服务器的主机应为主机名或 IP 地址。";
inline constexpr const char* kSnapcastBadFormat =
    "采样格式应为 采样率:位数:声道数，例如 48000:16:2。";

class CSnapcastDlg : public QDialog {
    Q_OBJECT

public:
    // current: the output's identifier as stored, or empty for a new one.
    CSnapcastDlg(const std::string& current, platform::Dialogs& dialogs, QWidget* parent);

    // The identifier the fields give; empty (and said) when one of them is unusable.
    std::string Output();
    // The identifier OK accepted.
    const std::string& Chosen() const { return m_strChosen; }

public slots:
    void accept() override;

private:
    platform::Dialogs& m_Dialogs;
    QLineEdit* m_pHost = nullptr;
    QSpinBox* m_pPort = nullptr;
    QLineEdit* m_pFormat = nullptr;
    QCheckBox* m_pLocalToo = nullptr;
    QSpinBox* m_pLead = nullptr;  // its minimum stands for "read from the server"
    QSpinBox* m_pControlPort = nullptr;
    std::string m_strChosen;
};

}  // namespace editors
