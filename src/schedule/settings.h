#pragma once
// The keys of "QELT.INI" with their defaults, read and written one at a time at the
// moment they are needed or changed; nothing is cached and defaults are never written.

#include <cstdint>
#include <string>
#include <vector>

#include "schedule/profile_file.h"

namespace schedule {

namespace ini {
inline constexpr const char* kFileName = "QELT.INI";

inline constexpr const char* kSettings = "设置";
inline constexpr const char* kTimetable = "作息表";
inline constexpr const char* kAutoShutdown = "自动关机";
inline constexpr const char* kShutdownDelay = "关机延时(分钟)";
inline constexpr const char* kSchoolName = "学校名称";
inline constexpr const char* kShowPlayer = "显示播放器";
inline constexpr const char* kPopupPrompt = "弹出式提示";
inline constexpr const char* kShowPending = "显示待播";
inline constexpr const char* kDefaultVolume = "默认音量";
inline constexpr const char* kBackgroundPicture = "背景图片";
inline constexpr const char* kShowBackgroundPicture = "显示背景图片";
inline constexpr const char* kBackgroundColor = "背景颜色";
inline constexpr const char* kPlayerX = "位置_X";
inline constexpr const char* kPlayerY = "位置_Y";
inline constexpr const char* kOutputDevice = "输出设备";
inline constexpr const char* kEmergencyFile = "紧急广播文件";

inline constexpr const char* kExtRun = "扩展运行";
inline constexpr const char* kExtRunOn = "是否开启";
inline constexpr const char* kProgramBefore = "程序1";
inline constexpr const char* kParamsBefore = "参数1";
inline constexpr const char* kProgramAfter = "程序2";
inline constexpr const char* kParamsAfter = "参数2";

inline constexpr const char* kSpeech = "语音";
inline constexpr const char* kSpeechEngine = "播报引擎";
inline constexpr const char* kSpeechRate = "语速";

inline constexpr const char* kTitles = "常用标题";
inline constexpr const char* kTitleCount = "标题数";

inline constexpr const char* kDefaultTimetable = ".\\作息表\\参考作息表.zxb";
inline constexpr const char* kDefaultSchoolName = "Varnel";
inline constexpr const char* kDefaultBackgroundPicture = " ";
inline constexpr std::int32_t kDefaultBackgroundColor = 9861210;  // red 90, green 120, blue 150
inline constexpr std::int32_t kDefaultShutdownDelayMinutes = 5;
inline constexpr std::int32_t kDefaultVolumeValue = 100;
inline constexpr std::size_t kTitleBufferSize = 200;
// espeak-ng's Mandarin voice that reads its own pinyin as pinyin: Debian 12's plain "cmn"
// voice reads the tone digits of its pinyin in English ("ni three hao three").
inline constexpr const char* kDefaultSpeechEngine = "espeak-ng -v cmn-latn-pinyin";
inline constexpr std::int32_t kDefaultSpeechRate = 150;  // words a minute
}  // namespace ini

class CSettings {
public:
    explicit CSettings(std::string iniPath) : m_File(std::move(iniPath)) {}

    CProfileFile& File() { return m_File; }

    // Section "设置".
    std::string GetTimetablePath() const;
    bool SetTimetablePath(const std::string& value);
    bool GetAutoShutdown() const;
    bool SetAutoShutdown(bool on);
    std::int32_t GetShutdownDelayMinutes() const;
    bool SetShutdownDelayMinutes(std::int32_t minutes);
    std::string GetSchoolName() const;
    bool SetSchoolName(const std::string& name);
    bool GetShowPlayer() const;
    bool SetShowPlayer(bool on);
    bool GetPopupPrompt() const;
    bool SetPopupPrompt(bool on);
    bool GetShowPending() const;
    bool SetShowPending(bool on);
    std::int32_t GetDefaultVolume() const;
    bool SetDefaultVolume(std::int32_t volume);
    std::string GetBackgroundPicture() const;
    bool SetBackgroundPicture(const std::string& value);
    bool GetShowBackgroundPicture() const;
    bool SetShowBackgroundPicture(bool on);
    std::int32_t GetBackgroundColor() const;
    bool SetBackgroundColor(std::int32_t color);
    std::int32_t GetPlayerX() const;
    std::int32_t GetPlayerY() const;
    bool SetPlayerPosition(std::int32_t x, std::int32_t y);
    // The audio output's identifier; empty (or absent) is the system's default output.
    std::string GetOutputDevice() const;
    // False, with the file unchanged, for an identifier the file could not give back
    // unchanged: one with a line break or longer than a stored text may be.
    bool SetOutputDevice(const std::string& id);
    // The file the last emergency broadcast played; empty when none ever did. Written as
    // the output device is, so a path comes back unchanged or is not written.
    std::string GetEmergencyFile() const;
    bool SetEmergencyFile(const std::string& path);

    // Section "扩展运行".
    bool GetExtRun() const;
    std::string GetProgramBefore() const;
    std::string GetParamsBefore() const;
    std::string GetProgramAfter() const;
    std::string GetParamsAfter() const;
    // Writes the five keys in the order the extension-run dialog does.
    bool SetExtRun(bool on, const std::string& programBefore, const std::string& programAfter,
                   const std::string& paramsBefore, const std::string& paramsAfter);

    // Section "语音": the command line of the engine that speaks text files (the default
    // when blank) and its rate in words a minute.
    std::string GetSpeechEngine() const;
    bool SetSpeechEngine(const std::string& command);
    std::int32_t GetSpeechRate() const;
    bool SetSpeechRate(std::int32_t rate);

    // Section "常用标题": the non-empty titles of keys "1".."标题数", in key order.
    std::vector<std::string> ReadPresetTitles() const;
    // Writes "标题数" and keys "1".."n"; keys above n stay in the file unread.
    bool WritePresetTitles(const std::vector<std::string>& titles);

private:
    bool GetFlag(const char* section, const char* key, bool defaultValue) const;
    bool SetFlag(const char* section, const char* key, bool on);
    // Writes a text of section "设置" so that reading gives it back unchanged; false,
    // with the file unchanged, for one with a line break or longer than a stored text.
    bool WriteExactString(const char* key, const std::string& value) {
        return WriteExactString(ini::kSettings, key, value);
    }
    bool WriteExactString(const char* section, const char* key, const std::string& value);

    CProfileFile m_File;
};

}  // namespace schedule
