#pragma once
// The system's power control, with every request and refusal written to the event log.

#include "engine/event_log.h"
#include "platform/power_control.h"

namespace app {

class CLoggedPowerControl : public platform::PowerControl {
public:
    CLoggedPowerControl(platform::PowerControl& power, engine::CEventLog& log)
        : m_Power(power), m_Log(log) {}

    void RequestPowerOff() override {
        m_Log.Write("poweroff");
        m_bAnswerLogged = false;
        m_Power.RequestPowerOff();
    }
    platform::PowerOffState PowerOffStatus() override {
        const platform::PowerOffState state = m_Power.PowerOffStatus();
        if (state == platform::PowerOffState::Refused && !m_bAnswerLogged) {
            m_bAnswerLogged = true;
            m_Log.Write("poweroff-refused");
        }
        return state;
    }

private:
    platform::PowerControl& m_Power;
    engine::CEventLog& m_Log;
    bool m_bAnswerLogged = true;
};

}  // namespace app
