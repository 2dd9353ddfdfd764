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

// Replaces each "%s" or "%d" of format by the next value, as text; user texts are
// inserted as they are and never read as a format.
std::string FormatText(const char* format, std::initializer_list<std::string> values);

}  // namespace engine::texts
