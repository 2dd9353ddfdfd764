#pragma once
// The messages the data classes show about their files.

namespace schedule::texts {

inline constexpr const char* kNotTimetable = "该文件不是作息表文件!";
inline constexpr const char* kTimetableReadError = "程序在读取作息表文件时出现未知错误!";
inline constexpr const char* kTimetableTooLarge =
    "作息表文件过大（超过64MB），不是有效的作息表文件！";
inline constexpr const char* kTimetableCreateError = "创建文件错误,您的作息表保存失败!";
inline constexpr const char* kTimetableWriteError = "程序在保存作息文件时出现未知错误!";
inline constexpr const char* kCommonTracksReadError =
    "程序在读取常用曲目文件时出错,请重新常用曲目设置!";
inline constexpr const char* kCommonTracksTooLarge =
    "常用曲目文件过大（超过64MB），不是有效的常用曲目文件，未读取！";
inline constexpr const char* kCommonTracksWriteError =
    "程序在保存常用曲目文件时出现未知错误,请重试!";
inline constexpr const char* kPlaylistsReadError =
    "程序在读取列表曲目文件时出错,请重新设置列表曲目!";
inline constexpr const char* kPlaylistsTooLarge =
    "列表曲目文件过大（超过64MB），不是有效的列表曲目文件，未读取！";
inline constexpr const char* kPlaylistsWriteError = "程序在保存列表曲目文件时出现未知错误,请重试!";

}  // namespace schedule::texts
