#include "engine/event_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <utility>

namespace engine {

CEventLog::CEventLog(const platform::Clock& clock, std::string path, std::size_t rotateBytes,
                     int keepOld, Target target)
    : m_Clock(clock),
      m_strPath(std::move(path)),
      m_nRotateBytes(rotateBytes),
      m_nKeepOld(keepOld),
      m_Target(target) {}

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
    // One event, one line, whatever the text holds.
    std::string line = std::string(stamp.data()) + ' ' + VisibleText(kind);
    if (!text.empty()) {
        line += ' ';
        line += VisibleText(text);
    }
    return line + '\n';
}

std::string CEventLog::VisibleText(std::string_view text) {
    static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead == '\n' || lead == '\r' || lead == '\t') {
            out += ' ';
            ++i;
            continue;
        }
        if (lead < 0x20 || lead == 0x7F) {
            out += kReplacement;
            ++i;
            continue;
        }
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        // A UTF-8 sequence: its length, and its code point when it is well formed.
        std::size_t length = 0;
        char32_t cp = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            cp = lead & 0x1FU;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            cp = lead & 0x0FU;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            cp = lead & 0x07U;
        }
        bool valid = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0U) == 0x80U;
            cp = (cp << 6U) | (next & 0x3FU);
        }
        valid = valid && !(length == 3 && cp < 0x800) && !(length == 4 && cp < 0x10000) &&
                cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
        if (!valid) {
            out += kReplacement;
            ++i;
            continue;
        }
        const bool c1 = cp >= 0x80 && cp <= 0x9F;
        const bool separator = cp == 0x2028 || cp == 0x2029;
        out += c1 || separator ? kReplacement : text.substr(i, length);
        i += length;
    }
    return out;
}

bool CEventLog::Open() {
    if (m_pFile == nullptr && !m_strPath.empty()) {
        // A link planted in the log's place, or a pipe or device, is not written to: the
        // log would otherwise append to whatever file the link names.
        const bool own = m_Target == Target::OwnFile;
        const int fd = ::open(
            m_strPath.c_str(),
            O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC | (own ? O_NOFOLLOW : 0), 0666);
        if (fd < 0) {
            return false;
        }
        struct stat info = {};
        if (own && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
            ::close(fd);
            return false;
        }
        m_pFile = ::fdopen(fd, "a");
        if (m_pFile == nullptr) {
            ::close(fd);
        }
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
