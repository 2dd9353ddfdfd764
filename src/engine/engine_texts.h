#pragma once
// The engine's texts for status pane 1 and the notifier. "%s" and "%d" are filled in
// order by FormatText.

#include <initializer_list>
#include <string>

namespace engine::texts {

inline constexpr const char* kCountdownStatus = "作息项将在%d秒后自动播放";
inline constexpr const char* kCountdownNotify = "[%s][%s]:将在%d秒后开始自动播放!";
inline constexpr const char* kItemStarts = "作息项开始播放";
inline constexpr const char* kCommonTrackError = "[%s][%s]:常用曲目错误!";
inline constexpr const char* kPlaylistError = "[%s][%s]:列表曲目错误!";
inline constexpr const char* kPlayingItem = "正在播放作息项...";
inline constexpr const char* kPlayingCommonTrack = "正在播放常用曲目...";
inline constexpr const char* kPlayingPlaylist = "正在播放列表曲目...";
inline constexpr const char* kShutdownCountdown = "作息表播放完毕,%d分%d秒后自动关机";
// A notice of ours (status pane 3): why the machine is still on.
inline constexpr const char* kPowerOffRefused = "系统拒绝了关机请求";
// A special day's timetable named in the day calendar that cannot be read.
inline constexpr const char* kCalendarTimetableUnreadable = "节假日设置中的作息表无法读取：%s";
inline constexpr const char* kTimetableUnreadableReason = "作息表无法读取";
// Status pane 1 while no timetable could be read: nothing rings and nothing powers off.
inline constexpr const char* kNoTimetableStatus = "未加载作息表，不会自动关机";
// Why the current timetable could not be read, in the bell log.
inline constexpr const char* kTimetableCannotOpen = "文件不存在或无法打开";
inline constexpr const char* kTimetableWrongFormat = "不是作息表文件";
inline constexpr const char* kTimetableDamaged = "作息表文件已损坏";
// What the pending view says on a make-up day, with the weekday's name.
inline constexpr const char* kMakeupDay = "今日按%s作息";
// Status pane 1 while an emergency broadcast plays.
inline constexpr const char* kEmergencyStatus = "紧急广播中，作息表暂停";

// The bell log's engine events: an item started, an item passed over (with the reason
// why), an extension program's exit code, an item whose stored music is missing, and a
// line of the day calendar that does not count.
inline constexpr const char* kLogItem = "item";
inline constexpr const char* kLogSkip = "skip";
inline constexpr const char* kLogExitCode = "exitcode";
inline constexpr const char* kLogMissing = "missing";
inline constexpr const char* kLogCalendar = "calendar";
// A random playlist's order decided at an item's arming, with the seed that decided it.
inline constexpr const char* kLogShuffle = "shuffle";
// The current timetable could not be read, with the path and why.
inline constexpr const char* kLogNoTimetable = "notimetable";
// A text file that could not be spoken, with the path and why.
inline constexpr const char* kLogSpeechFailed = "speechfailed";
// Said after an item started by hand from the list.
inline constexpr const char* kByHand = "手动";

// Why an item was passed over.
inline constexpr const char* kSkipHoliday = "节假日";
inline constexpr const char* kSkipSameSecond = "同一秒";
inline constexpr const char* kSkipAlreadyRung = "今日已播放";
inline constexpr const char* kSkipAutoPlayOff = "自动播放关闭";
inline constexpr const char* kSkipClockJump = "时钟跳变";
inline constexpr const char* kSkipLateTick = "定时迟到";
inline constexpr const char* kSkipEmergency = "紧急广播";

// Replaces each "%s" or "%d" of format by the next value, as text; user texts are
// inserted as they are and never read as a format.
std::string FormatText(const char* format, std::initializer_list<std::string> values);

}  // namespace engine::texts
