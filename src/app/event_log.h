#pragma once
// Appends one line per event of the running program to a file, in the form qelt-tool
// simulate prints: "YYYY-MM-DD HH:MM:SS KIND TEXT". Tests and the demo read it; a
// failed write is ignored, so the log can never stop the bells.

#include <cstdio>
#include <string>

#include "platform/clock.h"

namespace app {

class CEventLog {
public:
    // An empty path keeps the log closed.
    CEventLog(const platform::Clock& clock, const std::string& path);
    ~CEventLog();
    CEventLog(const CEventLog&) = delete;
    CEventLog& operator=(const CEventLog&) = delete;

    bool IsOpen() const { return m_pFile != nullptr; }
    void Write(const std::string& kind, const std::string& text = std::string());

    static std::string FormatLine(const platform::LocalTime& time, const std::string& kind,
                                  const std::string& text);

private:
    const platform::Clock& m_Clock;
    std::FILE* m_pFile = nullptr;
};

}  // namespace app
