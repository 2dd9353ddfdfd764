#pragma once
// The in-memory timetable: a title and seven day lists of schedule items (0 = Sunday),
// each kept in ascending time, with its .zxb file.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "schedule/binary_io.h"
#include "schedule/message_reporter.h"
#include "schedule/records.h"

namespace schedule {

class CTimetable {
public:
    using Day = std::vector<ScheduleItem>;

    // The reporter, when given, shows the messages about unreadable and unwritable files.
    explicit CTimetable(IMessageReporter* reporter = nullptr) : m_pReporter(reporter) {}
    CTimetable(const CTimetable&) = default;
    CTimetable& operator=(const CTimetable&) = default;
    virtual ~CTimetable() = default;

    void SetReporter(IMessageReporter* reporter) { m_pReporter = reporter; }

    Day* GetDay(int day);
    const Day* GetDay(int day) const;
    const std::string& GetTitle() const { return m_strTitle; }
    const std::string& GetPath() const { return m_strPath; }

    void SetTitle(const std::string& title);
    bool AddItem(int day, const ScheduleItem* item);
    bool ModifyItem(int day, int index, const ScheduleItem& item);
    bool DeleteItem(int day, int index);
    ScheduleItem* GetItem(int day, int index);
    const ScheduleItem* GetItem(int day, int index) const;
    static void CopyItem(const ScheduleItem* source, ScheduleItem* destination);
    void ClearDay(int day);
    bool CopyDay(int sourceDay, int destinationDay);
    void ClearAll();
    void SortAll();
    // Index of the first item of the day due strictly after time, or -1; a copy of it
    // goes to next when next is not null.
    int FindNext(int day, int time, ScheduleItem* next) const;

    // Reads the file; the timetable changes only when the whole file was read.
    bool Load(const std::string& path, bool storePath) {
        return LoadFile(path, storePath) == LoadStatus::Ok;
    }
    LoadStatus LoadFile(const std::string& path, bool storePath);
    // Replaces the file in one step; false (with a message) when it could not be written.
    bool Save(const std::string& path);
    bool Reload();

    bool IsLoaded() const { return m_bLoaded; }
    bool IsModified() const { return m_bModified; }
    void SetModified() { m_bModified = true; }
    void ClearModified() { m_bModified = false; }

    // The file image of the title and days, and its reading.
    std::string Serialize() const;
    static LoadStatus Parse(std::string_view data, std::string& title,
                            std::array<Day, kDaysPerWeek>& days);

private:
    void Report(const char* text, MessageOwner owner) const;

    IMessageReporter* m_pReporter = nullptr;
    std::string m_strTitle;
    std::string m_strPath;
    bool m_bModified = false;
    bool m_bLoaded = false;
    std::array<Day, kDaysPerWeek> m_Days;
};

// The four bytes every timetable file starts with: "ZXB" and a zero.
inline constexpr std::string_view kTimetableMagic{"ZXB\0", 4};

}  // namespace schedule
