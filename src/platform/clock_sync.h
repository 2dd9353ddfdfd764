#pragma once
// Whether the system keeps its clock synchronised (with a time server): bells are only as
// punctual as the clock. The program asks now and then; the answer comes on the event
// loop later, so nothing ever waits on the system for it.

#include <functional>

namespace platform {

enum class ClockSyncState { Unknown, Synchronised, NotSynchronised };

class ClockSync {
public:
    virtual ~ClockSync() = default;
    // Asks once; answer is called on the event loop (or at once) with what the system
    // says, Unknown when it cannot tell.
    virtual void Ask(std::function<void(ClockSyncState)> answer) = 0;
};

}  // namespace platform
