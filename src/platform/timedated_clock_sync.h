#pragma once
// The clock's synchronisation as systemd's timedated tells it: the property
// "NTPSynchronized" of org.freedesktop.timedate1 on the system bus, read asynchronously.

#include <QObject>

#include "platform/clock_sync.h"

namespace platform {

class TimedatedClockSync : public ClockSync {
public:
    void Ask(std::function<void(ClockSyncState)> answer) override;

private:
    // Parent of the calls in flight, so that an answer never outlives this object.
    QObject m_Calls;
};

}  // namespace platform
