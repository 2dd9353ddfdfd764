#include "engine/bell_log_line.h"

#include <cctype>
#include <cstddef>

#include "engine/engine_texts.h"

namespace engine {

namespace {

constexpr std::size_t kDateLength = 10;  // "YYYY-MM-DD"
constexpr std::size_t kTimeLength = 8;   // "HH:MM:SS"

bool HasShape(const std::string& text, std::size_t from, const char* shape) {
    for (std::size_t i = 0; shape[i] != '\0'; ++i) {
        const std::size_t at = from + i;
        if (at >= text.size()) {
            return false;
        }
        const auto c = static_cast<unsigned char>(text[at]);
        if (shape[i] == '9' ? std::isdigit(c) == 0 : text[at] != shape[i]) {
            return false;
        }
    }
    return true;
}

// "HH:MM:SS [title][music] rest" as "HH:MM:SS title（music）" and the rest.
bool SplitItem(const std::string& text, std::string& item, std::string& rest) {
    if (!HasShape(text, 0, "99:99:99 [")) {
        return false;
    }
    const std::size_t middle = text.find("][", kTimeLength + 2);
    const std::size_t end = middle == std::string::npos ? middle : text.find(']', middle + 2);
    if (end == std::string::npos) {
        return false;
    }
    const std::string title = text.substr(kTimeLength + 2, middle - kTimeLength - 2);
    const std::string music = text.substr(middle + 2, end - middle - 2);
    item = text.substr(0, kTimeLength + 1) + title + (music.empty() ? "" : "（" + music + "）");
    rest = end + 2 <= text.size() ? text.substr(end + 2) : std::string();
    return true;
}

struct KindWords {
    const char* kind;
    const char* event;
    bool bell;
    bool problem;
    bool hasFile;
};

constexpr KindWords kKinds[] = {
    {"start", "开机", false, false, false},
    {"exit", "退出", false, false, false},
    {texts::kLogItem, "响铃", true, false, false},
    {"play", "播放", true, false, true},
    {"trial", "试播", false, false, true},
    {"manual", "手动播放", false, false, true},
    {"finished", "结束", true, false, false},
    {texts::kLogMissing, "曲目缺失", true, true, false},
    {"openfailed", "无法打开", true, true, true},
    {texts::kLogSpeechFailed, "无法播报", true, true, false},
    {"run", "运行程序", false, false, true},
    {"poweroff", "关机", false, false, false},
    {"poweroff-refused", "关机被拒绝", false, true, false},
    {texts::kLogCalendar, "节假日设置有误", false, true, false},
    {texts::kLogNoTimetable, "无法读取作息表", false, true, false},
    {texts::kLogShuffle, "随机顺序", false, false, false},
    {"error", "错误", false, true, false},
    {"unsaved", "保存未完成的修改", false, false, false},
    {"plugin-refused", "插件被拒绝", false, true, false},
    {"remote-on", "远程控制开启", false, false, false},
};

}  // namespace

std::optional<BellLogEntry> ParseBellLogLine(const std::string& line) {
    if (!HasShape(line, 0, "9999-99-99 99:99:99 ")) {
        return std::nullopt;
    }
    BellLogEntry entry;
    entry.date = line.substr(0, kDateLength);
    entry.time = line.substr(kDateLength + 1, kTimeLength);
    const std::size_t kindStart = kDateLength + kTimeLength + 2;
    const std::size_t kindEnd = line.find(' ', kindStart);
    entry.kind =
        line.substr(kindStart, kindEnd == std::string::npos ? kindEnd : kindEnd - kindStart);
    std::string text = kindEnd == std::string::npos ? std::string() : line.substr(kindEnd + 1);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) {
        text.pop_back();
    }

    entry.event = entry.kind;
    std::string rest = text;
    const bool isItem = SplitItem(text, entry.item, rest);
    for (const KindWords& words : kKinds) {
        if (entry.kind == words.kind) {
            entry.event = words.event;
            entry.bell = words.bell;
            entry.problem = words.problem;
            if (words.hasFile) {
                entry.file = rest;
                rest.clear();
            }
            break;
        }
    }
    if (entry.kind == texts::kLogSkip) {
        // Holidays and a switched-off timetable pass items on purpose; the rest is a fault.
        entry.event = "跳过（" + rest + "）";
        entry.bell = true;
        entry.problem = rest != texts::kSkipHoliday && rest != texts::kSkipAutoPlayOff;
        rest.clear();
    } else if (entry.kind == texts::kLogExitCode) {
        const std::size_t arrow = text.rfind(" -> ");
        const std::string code = arrow == std::string::npos ? text : text.substr(arrow + 4);
        entry.event = "程序结束（返回 " + code + "）";
        entry.file = arrow == std::string::npos ? std::string() : text.substr(0, arrow);
        entry.problem = code != "0";
        rest.clear();
    } else if (entry.kind == texts::kLogItem && rest == texts::kByHand) {
        entry.event = "手动响铃";
        rest.clear();
    }
    // What the columns do not hold stays visible beside the event.
    if (!rest.empty()) {
        entry.event += (isItem ? " " : "：") + rest;
    }
    return entry;
}

}  // namespace engine
