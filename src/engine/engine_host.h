#pragma once
// What the scheduling engine shows, implemented by the main frame: status pane 1, the
// pending view, the list view, the popup notifier and the player window's visibility.

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

    // List view: rebuilds every row from a day's items with nextIndex as the next row
    // (-1: every row is past), and moves only the row marks to a new next index.
    virtual void RebuildList(const std::vector<schedule::ScheduleItem>& items, int nextIndex) = 0;
    virtual void MarkNext(int nextIndex) = 0;
    // The list view's selected row, or -1 when none is selected.
    virtual int GetSelectedRow() const = 0;

    // Slides the notifier out with the text.
    virtual void ShowNotifier(const std::string& text, int appearMs, int stayMs,
                              int disappearMs) = 0;

    virtual bool IsPlayerVisible() const = 0;
    virtual void ShowPlayer() = 0;
    virtual void HidePlayer() = 0;

    // Gives unused memory back to the system after a playback.
    virtual void TrimMemory() = 0;
};

}  // namespace engine
