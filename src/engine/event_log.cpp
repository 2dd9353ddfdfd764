#include "engine/event_log.h"

#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <utility>

namespace engine {

CEventLog::CEventLog(const platform::Clock& clock, std::string path, std::size_t rotateBytes,
                     int keepOld)
    : m_Clock(clock),
      m_strPath(std::move(path)),
      m_nRotateBytes(rotateBytes),
      m_nKeepOld(keepOld) {}

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

bool CEventLog::Open() {
    if (m_pFile == nullptr && !m_strPath.empty()) {
        m_pFile = std::fopen(m_strPath.c_str(), "a");
    }
    return m_pFile != nullptr;
}

void CEventLog::RotateIfFull() {
    if (m_nRotateBytes == 0 || m_pFile == nullptr) {
        return;
    }
    struct stat info = {};
    if (fstat(fileno(m_pFile), &info) != 0 ||
        static_cast<std::size_t>(info.st_size) < m_nRotateBytes) {
        return;
    }
    std::fclose(m_pFile);
    m_pFile = nullptr;
    // PATH.2 → PATH.3, PATH.1 → PATH.2, PATH → PATH.1; the oldest falls off the end.
    for (int i = m_nKeepOld; i >= 1; --i) {
        const std::string older = m_strPath + "." + std::to_string(i);
        const std::string newer = i == 1 ? m_strPath : m_strPath + "." + std::to_string(i - 1);
        if (i == m_nKeepOld) {
            std::remove(older.c_str());
        }
        std::rename(newer.c_str(), older.c_str());
    }
    if (m_nKeepOld == 0) {
        std::remove(m_strPath.c_str());
    }
    Open();
}

bool IsBellLogEvent(const std::string& kind) {
    return kind != "status" && kind != "notify" && kind != "notice" && kind != "next";
}

void CEventLog::Write(const std::string& kind, const std::string& text) {
    if (!Open()) {
        return;
    }
    RotateIfFull();
    if (m_pFile == nullptr) {
        return;
    }
    const std::string line = FormatLine(m_Clock.Now(), kind, text);
    std::fwrite(line.data(), 1, line.size(), m_pFile);
    std::fflush(m_pFile);
}

}  // namespace engine
