#pragma once
// Powers the computer off through logind on the system bus, asynchronously: the answer
// arrives while the Qt event loop runs, and PowerOffStatus reads it. While the
// environment variable QELT_NO_POWEROFF is set (to anything, even empty) it never sends
// the request: every request is refused at once, reported once on standard error.

#include <QDBusPendingCall>

#include <optional>

#include "platform/power_control.h"

namespace platform {

inline constexpr const char* kNoPowerOffVariable = "QELT_NO_POWEROFF";

class LogindPowerControl : public PowerControl {
public:
    void RequestPowerOff() override;
    PowerOffState PowerOffStatus() override;

private:
    PowerOffState m_State = PowerOffState::None;
    std::optional<QDBusPendingCall> m_Pending;
    bool m_bRefusalReported = false;
};

}  // namespace platform
