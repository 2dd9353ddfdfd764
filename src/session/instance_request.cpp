#include "session/instance_request.h"

namespace session {

bool TakeInstanceRequest(CBellSession& session, const std::string& command,
                         const std::string& argument) {
    if (!session.IsStarted()) {
        return false;
    }
    if (command == kEmergencyRequest) {
        return session.StartEmergency(argument, EmergencySource::CommandLine) ==
               EmergencyResult::Started;
    }
    if (command == kEmergencyEndRequest) {
        return session.EndEmergency(EmergencySource::CommandLine);
    }
    return false;
}

}  // namespace session
