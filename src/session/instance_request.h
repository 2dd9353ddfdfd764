#pragma once
// What a later copy of the program may ask of the running one through the
// single-instance socket, carried out on the running copy's bell session.

#include <string>

#include "session/bell_session.h"

namespace session {

inline constexpr const char* kEmergencyRequest = "emergency";
inline constexpr const char* kEmergencyEndRequest = "emergency-end";

// Carries out command with its argument (an emergency broadcast of a file, or its
// end); true when the session took it.
bool TakeInstanceRequest(CBellSession& session, const std::string& command,
                         const std::string& argument);

}  // namespace session
