#pragma once
// Powering the computer off at the end of the day. The request never waits for the
// system's answer, so that the scheduler tick that asks is never held up; the answer is
// read later with PowerOffStatus.

namespace platform {

enum class PowerOffState {
    None,      // nothing asked yet
    Pending,   // asked; the answer has not arrived
    Accepted,  // the system is going down
    Refused,   // refused, or the request could not be sent; nothing has changed
};

class PowerControl {
public:
    virtual ~PowerControl() = default;
    // Asks the system to power off, without asking the user and without waiting for the
    // answer. Ignored while an earlier request is still unanswered.
    virtual void RequestPowerOff() = 0;
    // The answer to the latest request, read without waiting.
    virtual PowerOffState PowerOffStatus() = 0;
};

}  // namespace platform
