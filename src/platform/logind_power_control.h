#pragma once
// Powers the computer off through logind on the system bus. While the environment
// variable QELT_NO_POWEROFF is set (to anything, even empty) it never sends the
// request: it reports the refusal once on standard error and returns false.

#include "platform/power_control.h"

namespace platform {

inline constexpr const char* kNoPowerOffVariable = "QELT_NO_POWEROFF";

class LogindPowerControl : public PowerControl {
public:
    bool PowerOff() override;

private:
    bool m_bRefusalReported = false;
};

}  // namespace platform
