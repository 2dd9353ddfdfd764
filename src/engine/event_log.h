#pragma once
// Appends one line per event to a file, in the form qelt-tool simulate prints:
// "YYYY-MM-DD HH:MM:SS KIND TEXT". The program keeps two: the bell log "QELT.log" in the
// program folder (rotated, a record of what rang and why something did not) and, for
// tests and the demo, QELT_EVENT_LOG. A failed write is ignored: a log can never stop
// the bells.

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace engine {

class CEventLog {
public:
    // What the path may name. OwnFile (the bell log in a program folder others may
    // write): only a regular file, never reached through a symbolic link, or the log
    // stays closed. AnyPath (QELT_EVENT_LOG, named by whoever starts the program): a
    // link, a pipe or a terminal too, such as /dev/stdout.
    enum class Target { OwnFile, AnyPath };

    // An empty path keeps the log closed. With rotateBytes > 0, a file that has grown
    // past it is renamed PATH.1 (PATH.1 to PATH.2, … keeping keepOld old files) before
    // the next line is written.
    CEventLog(const platform::Clock& clock, std::string path, std::size_t rotateBytes = 0,
              int keepOld = 0, Target target = Target::OwnFile);
    ~CEventLog();
    CEventLog(const CEventLog&) = delete;
    CEventLog& operator=(const CEventLog&) = delete;

    bool IsOpen() const { return !m_strPath.empty(); }
    const std::string& Path() const { return m_strPath; }
    void Write(const std::string& kind, const std::string& text = std::string());

    // One line, ended by '\n'. The kind and text hold no control characters afterwards
    // (see VisibleText), so a line can neither command a terminal nor pose as two.
    static std::string FormatLine(const platform::LocalTime& time, const std::string& kind,
                                  const std::string& text);
    // The text as a log shows it: a line break, carriage return or tab becomes a blank;
    // every other control character (C0, DEL, C1), a line or paragraph separator
    // (U+2028, U+2029) and each byte that is not UTF-8 becomes U+FFFD.
    static std::string VisibleText(std::string_view text);

private:
    bool Open();
    void RotateIfFull();

    const platform::Clock& m_Clock;
    std::string m_strPath;
    std::size_t m_nRotateBytes;
    int m_nKeepOld;
    Target m_Target;
    std::FILE* m_pFile = nullptr;
};

// Whether the bell log keeps an event of this kind: what rang, what did not and why,
// programs, power-off and start and exit; not the countdown's status and notifier texts,
// nor the next item as it changes.
bool IsBellLogEvent(const std::string& kind);

// The bell log's size before it is rotated, and how many old files it keeps.
inline constexpr std::size_t kBellLogRotateBytes = std::size_t{1024} * 1024;
inline constexpr int kBellLogKeepOld = 3;
inline constexpr const char* kBellLogFile = "QELT.log";

}  // namespace engine
