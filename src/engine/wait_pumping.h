#pragma once
// The wait used while an external program runs: the Qt event loop of the calling thread
// keeps running, so timer ticks, commands and plug-in messages are handled nested inside
// the wait.

namespace engine {

// Returns after ms milliseconds (measured on the steady clock), having processed the
// thread's pending events about once a millisecond meanwhile; at once, from the moment
// StopWaitPumping has been called.
void WaitPumping(int ms);

// Ends a wait in progress and makes every later one return at once: the program is
// ending (SIGTERM, SIGINT) and must not keep waiting for an external program.
void StopWaitPumping();

}  // namespace engine
