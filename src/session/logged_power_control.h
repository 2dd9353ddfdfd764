#pragma once
// The system's power control, with every request and refusal written to the logs.

#include <functional>
#include <string>
#include <utility>

#include "platform/power_control.h"

namespace session {

class CLoggedPowerControl : public platform::PowerControl {
public:
    using LogFn = std::function<void(const std::string& kind, const std::string& text)>;

    CLoggedPowerControl(platform::PowerControl& power, LogFn log)
        : m_Power(power), m_Log(std::move(log)) {}

    void RequestPowerOff() override {
        m_Log("poweroff", std::string());
        m_bAnswerLogged = false;
        m_Power.RequestPowerOff();
    }
    platform::PowerOffState PowerOffStatus() override {
        const platform::PowerOffState state = m_Power.PowerOffStatus();
        if (state == platform::PowerOffState::Refused && !m_bAnswerLogged) {
            m_bAnswerLogged = true;
            m_Log("poweroff-refused", std::string());
        }
        return state;
    }

private:
    platform::PowerControl& m_Power;
    LogFn m_Log;
    bool m_bAnswerLogged = true;
};

}  // namespace session
