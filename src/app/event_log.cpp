#include "app/event_log.h"

#include <array>

namespace app {

CEventLog::CEventLog(const platform::Clock& clock, const std::string& path) : m_Clock(clock) {
    if (!path.empty()) {
        m_pFile = std::fopen(path.c_str(), "a");
    }
}

CEventLog::~CEventLog() {
    if (m_pFile != nullptr) {
        std::fclose(m_pFile);
    }
}

std::string CEventLog::FormatLine(const platform::LocalTime& time, const std::string& kind,
                                  const std::string& text) {
    std::array<char, 32> stamp{};
    std::snprintf(stamp.data(), stamp.size(), "%04d-%02d-%02d %02d:%02d:%02d", time.year,
                  time.month, time.day, time.hour, time.minute, time.second);
    std::string line = std::string(stamp.data()) + ' ' + kind;
    if (!text.empty()) {
        line += ' ';
        // One event, one line, whatever the text holds.
        for (const char c : text) {
            line += (c == '\n' || c == '\r') ? ' ' : c;
        }
    }
    return line + '\n';
}

void CEventLog::Write(const std::string& kind, const std::string& text) {
    if (m_pFile == nullptr) {
        return;
    }
    const std::string line = FormatLine(m_Clock.Now(), kind, text);
    std::fwrite(line.data(), 1, line.size(), m_pFile);
    std::fflush(m_pFile);
}

}  // namespace app
