#include "schedule/settings.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#include "schedule/atomic_file.h"
#include "schedule/text_codec.h"

namespace schedule {

using namespace ini;

bool CSettings::GetFlag(const char* section, const char* key, bool defaultValue) const {
    return m_File.ReadInt(section, key, defaultValue ? 1 : 0) != 0;
}

bool CSettings::SetFlag(const char* section, const char* key, bool on) {
    return m_File.WriteString(section, key, on ? "1" : "0");
}

std::string CSettings::GetTimetablePath() const {
    return m_File.ReadString(kSettings, kTimetable, kDefaultTimetable);
}
bool CSettings::SetTimetablePath(const std::string& value) {
    return m_File.WriteString(kSettings, kTimetable, value);
}

bool CSettings::GetAutoShutdown() const {
    return GetFlag(kSettings, kAutoShutdown, true);
}
bool CSettings::SetAutoShutdown(bool on) {
    return SetFlag(kSettings, kAutoShutdown, on);
}

std::int32_t CSettings::GetShutdownDelayMinutes() const {
    return m_File.ReadInt(kSettings, kShutdownDelay, kDefaultShutdownDelayMinutes);
}
bool CSettings::SetShutdownDelayMinutes(std::int32_t minutes) {
    return m_File.WriteInt(kSettings, kShutdownDelay, minutes);
}

std::string CSettings::GetSchoolName() const {
    return m_File.ReadString(kSettings, kSchoolName, kDefaultSchoolName);
}
bool CSettings::SetSchoolName(const std::string& name) {
    return m_File.WriteString(kSettings, kSchoolName, name);
}

bool CSettings::GetShowPlayer() const {
    return GetFlag(kSettings, kShowPlayer, true);
}
bool CSettings::SetShowPlayer(bool on) {
    return SetFlag(kSettings, kShowPlayer, on);
}

bool CSettings::GetPopupPrompt() const {
    return GetFlag(kSettings, kPopupPrompt, true);
}
bool CSettings::SetPopupPrompt(bool on) {
    return SetFlag(kSettings, kPopupPrompt, on);
}

bool CSettings::GetShowPending() const {
    return GetFlag(kSettings, kShowPending, true);
}
bool CSettings::SetShowPending(bool on) {
    return SetFlag(kSettings, kShowPending, on);
}

std::int32_t CSettings::GetDefaultVolume() const {
    return m_File.ReadInt(kSettings, kDefaultVolume, kDefaultVolumeValue);
}
bool CSettings::SetDefaultVolume(std::int32_t volume) {
    return m_File.WriteInt(kSettings, kDefaultVolume, volume);
}

std::string CSettings::GetBackgroundPicture() const {
    return m_File.ReadString(kSettings, kBackgroundPicture, kDefaultBackgroundPicture);
}
bool CSettings::SetBackgroundPicture(const std::string& value) {
    return m_File.WriteString(kSettings, kBackgroundPicture, value);
}

bool CSettings::GetShowBackgroundPicture() const {
    return GetFlag(kSettings, kShowBackgroundPicture, true);
}
bool CSettings::SetShowBackgroundPicture(bool on) {
    return SetFlag(kSettings, kShowBackgroundPicture, on);
}

std::int32_t CSettings::GetBackgroundColor() const {
    return m_File.ReadInt(kSettings, kBackgroundColor, kDefaultBackgroundColor);
}
bool CSettings::SetBackgroundColor(std::int32_t color) {
    return m_File.WriteInt(kSettings, kBackgroundColor, color);
}

std::int32_t CSettings::GetPlayerX() const {
    return m_File.ReadInt(kSettings, kPlayerX, 0);
}
std::int32_t CSettings::GetPlayerY() const {
    return m_File.ReadInt(kSettings, kPlayerY, 0);
}
bool CSettings::SetPlayerPosition(std::int32_t x, std::int32_t y) {
    const bool wroteX = m_File.WriteInt(kSettings, kPlayerX, x);
    return m_File.WriteInt(kSettings, kPlayerY, y) && wroteX;
}

std::string CSettings::GetOutputDevice() const {
    return m_File.ReadString(kSettings, kOutputDevice, "");
}
bool CSettings::SetOutputDevice(const std::string& id) {
    return WriteExactString(kOutputDevice, id);
}

std::string CSettings::GetEmergencyFile() const {
    return m_File.ReadString(kSettings, kEmergencyFile, "");
}
bool CSettings::SetEmergencyFile(const std::string& path) {
    return WriteExactString(kEmergencyFile, path);
}

std::string CSettings::GetSpeechEngine() const {
    const std::string command = m_File.ReadString(kSpeech, kSpeechEngine, "");
    return command.empty() ? kDefaultSpeechEngine : command;
}
bool CSettings::SetSpeechEngine(const std::string& command) {
    return WriteExactString(kSpeech, kSpeechEngine, command);
}
std::int32_t CSettings::GetSpeechRate() const {
    return m_File.ReadInt(kSpeech, kSpeechRate, kDefaultSpeechRate);
}
bool CSettings::SetSpeechRate(std::int32_t rate) {
    return m_File.WriteInt(kSpeech, kSpeechRate, rate);
}

bool CSettings::WriteExactString(const char* section, const char* key, const std::string& value) {
    if (value.find_first_of("\r\n") != std::string::npos ||
        EncodeFileText(value).size() >= kProfileBufferSize) {
        return false;
    }
    // Reading trims blanks and one pair of enclosing quotes, so a value that starts or
    // ends with either is written inside quotes of its own.
    const bool needsQuotes =
        !value.empty() && (value.front() == ' ' || value.front() == '\t' || value.back() == ' ' ||
                           value.back() == '\t' || value.front() == '"' || value.front() == '\'');
    return m_File.WriteString(section, key, needsQuotes ? "\"" + value + "\"" : value);
}

bool CSettings::GetExtRun() const {
    return GetFlag(kExtRun, kExtRunOn, false);
}
std::string CSettings::GetProgramBefore() const {
    return m_File.ReadString(kExtRun, kProgramBefore, "");
}
std::string CSettings::GetParamsBefore() const {
    return m_File.ReadString(kExtRun, kParamsBefore, "");
}
std::string CSettings::GetProgramAfter() const {
    return m_File.ReadString(kExtRun, kProgramAfter, "");
}
std::string CSettings::GetParamsAfter() const {
    return m_File.ReadString(kExtRun, kParamsAfter, "");
}

bool CSettings::SetExtRun(bool on, const std::string& programBefore,
                          const std::string& programAfter, const std::string& paramsBefore,
                          const std::string& paramsAfter) {
    bool ok = SetFlag(kExtRun, kExtRunOn, on);
    ok = m_File.WriteString(kExtRun, kProgramBefore, programBefore) && ok;
    ok = m_File.WriteString(kExtRun, kProgramAfter, programAfter) && ok;
    ok = m_File.WriteString(kExtRun, kParamsBefore, paramsBefore) && ok;
    ok = m_File.WriteString(kExtRun, kParamsAfter, paramsAfter) && ok;
    return ok;
}

std::vector<std::string> CSettings::ReadPresetTitles() const {
    const std::shared_ptr<const CProfileFile::Index> index = m_File.ReadIndex();
    const CProfileFile::Index::Section* section = index->FindSection(kTitles);
    const std::string* countText = index->Find(kTitles, kTitleCount);
    const std::int32_t count = countText != nullptr ? CProfileFile::ParseLeadingInt(*countText) : 0;
    if (section == nullptr || count <= 0) {
        return {};
    }
    // The keys "1".."标题数" that the section holds, in key order: one pass over the
    // section's keys, however large the count claims to be.
    std::vector<std::pair<std::int32_t, const std::string*>> numbered;
    for (const auto& [key, value] : *section) {
        if (key.empty() || key.size() > 10 || key.front() == '0' ||
            key.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const std::int32_t number = CProfileFile::ParseLeadingInt(key);
        if (number <= count && std::to_string(number) == key) {
            numbered.emplace_back(number, &value);
        }
    }
    std::sort(numbered.begin(), numbered.end());
    std::vector<std::string> titles;
    for (const auto& [number, value] : numbered) {
        std::string title = DecodeFileText(
            std::string_view(*value).substr(0, CharBoundaryPrefix(*value, kTitleBufferSize - 1)));
        if (!title.empty()) {
            titles.push_back(std::move(title));
        }
    }
    return titles;
}

bool CSettings::WritePresetTitles(const std::vector<std::string>& titles) {
    bool ok = m_File.WriteInt(kTitles, kTitleCount, static_cast<std::int32_t>(titles.size()));
    for (std::size_t i = 0; i < titles.size(); ++i) {
        ok = m_File.WriteString(kTitles, std::to_string(i + 1), titles[i]) && ok;
    }
    return ok;
}

}  // namespace schedule
