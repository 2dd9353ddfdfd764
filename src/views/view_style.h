#pragma once
// What the pending view and the list view share: their texts, the time-of-day format,
// the fonts with their CJK fallbacks and the platform colour word.

#include <cstdint>
#include <string>

#include <QColor>
#include <QFont>

#include "schedule/time_text.h"

namespace views {

namespace texts {
inline constexpr const char* kNoTimetable = "无作息表";
inline constexpr const char* kItemsFinished = "作息项播放完毕";
inline constexpr const char* kHoliday = "今日为节假日，不播放作息项";
inline constexpr const char* kDefaultCaption = "Varnel";
inline constexpr const char* kAutoPlay = "自动播放";
inline constexpr const char* kManualPlay = "手动播放";
inline constexpr const char* kNextTitleLabel = "待播标题:";
inline constexpr const char* kPlayTimeLabel = "播放时间:";
inline constexpr const char* kTrackLabel = "播放曲目:";
inline constexpr const char* kPlayModeLabel = "播放方式:";
}  // namespace texts

using schedule::FormatTimeOfDay;

// The big heading font ("黑体") and the bold label font ("宋体") at a pixel height,
// each followed by CJK families that are installed on Linux desktops.
QFont MakeHeadingFont(int pixelSize);
QFont MakeLabelFont(int pixelSize);

// Colours are kept as the settings store them: red in the low byte, then green, then blue.
QColor ColourFromWord(std::uint32_t word);
std::uint32_t WordFromColour(const QColor& colour);

}  // namespace views
