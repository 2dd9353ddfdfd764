#pragma once
// Powering the computer off at the end of the day.

namespace platform {

class PowerControl {
public:
    virtual ~PowerControl() = default;
    // Asks the system to power off, without asking the user. False when the request
    // was refused or could not be sent; nothing has changed then.
    virtual bool PowerOff() = 0;
};

}  // namespace platform
