#pragma once
// What the scheduling engine tells of the day as it happens: its status text, notices,
// bell-log events, the next item, today's list and the next row, the notifier's texts
// and the player's visibility. The bell session passes it on to the program's host (the
// main frame, the headless program, the simulator).

#include <string>
#include <vector>

#include "schedule/records.h"

namespace engine {

class IEngineHost {
public:
    virtual ~IEngineHost() = default;

    // Sets the text of status pane 1 and redraws it at once; empty clears it.
    virtual void SetStatusText(const std::string& text) = 0;

    // A short notice of our own in status pane 3 (for example why the machine is still
    // on); empty clears it.
    virtual void ShowNotice(const std::string& text) = 0;

    // One line of the bell log: an item started, an item passed over and why, an
    // extension program's exit code (kind and text as qelt-tool simulate prints them).
    virtual void LogEvent(const std::string& kind, const std::string& text) = 0;

    // Pending view: the item shown as next, or none (nullptr), and the timetable's title.
    virtual void SetPendingItem(const schedule::ScheduleItem* item) = 0;
    virtual void SetTimetableTitle(const std::string& title) = 0;
    // Today is a holiday of the day calendar: nothing rings, the pending view says so
    // and the list shows every item as passed. False when a day that rings begins.
    virtual void SetHoliday(bool holiday) = 0;

    // Today's items changed (or were shown anew) with nextIndex as the next row (-1:
    // every item is past); the next row moved on without any other change.
    virtual void DayListChanged(const std::vector<schedule::ScheduleItem>& items,
                                int nextIndex) = 0;
    virtual void NextRowChanged(int nextIndex) = 0;

    // Slides the notifier out with the text.
    virtual void ShowNotifier(const std::string& text, int appearMs, int stayMs,
                              int disappearMs) = 0;

    virtual bool IsPlayerVisible() const = 0;
    virtual void ShowPlayer() = 0;
    virtual void HidePlayer() = 0;

    // Gives unused memory back to the system after a playback.
    virtual void TrimMemory() = 0;

    // Today is a make-up day ringing that weekday's items (0 = Sunday .. 6), or not (-1).
    virtual void SetMakeupWeekday(int weekday) { static_cast<void>(weekday); }

    // An emergency broadcast began, changed its file or ended (on false); the windows
    // show it unmistakably. A host without windows has nothing to show.
    virtual void EmergencyChanged(bool on, const std::string& path) {
        static_cast<void>(on);
        static_cast<void>(path);
    }
};

}  // namespace engine
