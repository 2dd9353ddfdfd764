#pragma once
// The wait used while an external program runs: the Qt event loop of the calling thread
// keeps running, so timer ticks, commands and plug-in messages are handled nested inside
// the wait.

namespace engine {

// Returns after ms milliseconds (measured on the steady clock), having processed the
// thread's pending events about once a millisecond meanwhile.
void WaitPumping(int ms);

}  // namespace engine
