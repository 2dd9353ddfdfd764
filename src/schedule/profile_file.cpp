#include "schedule/profile_file.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <system_error>
#include <vector>

#include "schedule/app_paths.h"
#include "schedule/atomic_file.h"
#include "schedule/text_codec.h"

namespace schedule {

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// A line of the file as it stands, and what it means.
struct Line {
    enum Kind { Other, Section, Entry } kind = Other;
    std::string_view raw;       // the bytes, without the line end
    std::string name;           // section or key name, UTF-8, lower-case ASCII
    std::string_view rawValue;  // for an entry: the bytes after '='
};

std::vector<Line> SplitLines(std::string_view bytes) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        const std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
        if (end == std::string_view::npos) {
            end = bytes.size();
        }
        std::string_view raw = bytes.substr(pos, end - pos);
        if (!raw.empty() && raw.back() == '\r') {
            raw.remove_suffix(1);
        }
        Line line;
        line.raw = raw;
        const std::string_view text = Trim(raw);
        if (text.size() >= 2 && text.front() == '[') {
            const std::size_t close = text.find(']');
            if (close != std::string_view::npos) {
                line.kind = Line::Section;
                line.name = AsciiLower(DecodeFileText(Trim(text.substr(1, close - 1))));
            }
        } else if (!text.empty() && text.front() != ';') {
            const std::size_t equals = raw.find('=');
            if (equals != std::string_view::npos) {
                line.kind = Line::Entry;
                line.name = AsciiLower(DecodeFileText(Trim(raw.substr(0, equals))));
                line.rawValue = raw.substr(equals + 1);
            }
        }
        lines.push_back(std::move(line));
        pos = next;
    }
    return lines;
}

// Keys and values must stay on one line.
std::string OneLine(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return out;
}

// Index of the first section line with the name, or -1.
long FindSection(const std::vector<Line>& lines, const std::string& name) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == Line::Section && lines[i].name == name) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

}  // namespace

std::optional<std::string> CProfileFile::FindValue(std::string_view fileBytes,
                                                   std::string_view section, std::string_view key) {
    const std::vector<Line> lines = SplitLines(fileBytes);
    const long start = FindSection(lines, AsciiLower(std::string(section)));
    if (start < 0) {
        return std::nullopt;
    }
    const std::string keyName = AsciiLower(std::string(Trim(key)));
    for (std::size_t i = static_cast<std::size_t>(start) + 1; i < lines.size(); ++i) {
        if (lines[i].kind == Line::Section) {
            break;
        }
        if (lines[i].kind == Line::Entry && lines[i].name == keyName) {
            return std::string(Unquote(Trim(lines[i].rawValue)));
        }
    }
    return std::nullopt;
}

std::string CProfileFile::SetValue(std::string_view fileBytes, std::string_view section,
                                   std::string_view key, std::string_view value) {
    const std::vector<Line> lines = SplitLines(fileBytes);
    const std::string sectionText = OneLine(section);
    const std::string keyText = OneLine(Trim(key));
    const std::string entry = EncodeFileText(keyText) + "=" + EncodeFileText(OneLine(value));

    std::vector<std::string> out;
    out.reserve(lines.size() + 2);
    for (const Line& line : lines) {
        out.emplace_back(line.raw);
    }

    const long start = FindSection(lines, AsciiLower(sectionText));
    if (start < 0) {
        out.push_back("[" + EncodeFileText(sectionText) + "]");
        out.push_back(entry);
    } else {
        const std::string keyName = AsciiLower(keyText);
        std::size_t insertAt = static_cast<std::size_t>(start) + 1;
        bool replaced = false;
        for (std::size_t i = static_cast<std::size_t>(start) + 1; i < lines.size(); ++i) {
            if (lines[i].kind == Line::Section) {
                break;
            }
            if (lines[i].kind == Line::Entry && lines[i].name == keyName) {
                out[i] = entry;
                replaced = true;
                break;
            }
            if (!Trim(lines[i].raw).empty()) {
                insertAt = i + 1;  // a new key goes after the section's last non-blank line
            }
        }
        if (!replaced) {
            out.insert(out.begin() + static_cast<long>(insertAt), entry);
        }
    }

    std::string result;
    for (const std::string& line : out) {
        result += line;
        result += "\r\n";
    }
    return result;
}

std::int32_t CProfileFile::ParseLeadingInt(std::string_view value) {
    value = Trim(value);
    bool negative = false;
    std::size_t pos = 0;
    if (pos < value.size() && (value[pos] == '-' || value[pos] == '+')) {
        negative = value[pos] == '-';
        ++pos;
    }
    std::int64_t number = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; pos < value.size() && value[pos] >= '0' && value[pos] <= '9'; ++pos) {
        number = std::min(number * 10 + (value[pos] - '0'), kLimit);
    }
    if (negative) {
        number = -number;
    }
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(number, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max()));
}

std::string CProfileFile::ReadString(std::string_view section, std::string_view key,
                                     std::string_view defaultValue, std::size_t bufferSize) const {
    const std::size_t maxBytes = bufferSize == 0 ? 0 : bufferSize - 1;
    const std::optional<std::string> data = ReadWholeFile(m_strPath);
    std::optional<std::string> bytes;
    if (data) {
        bytes = FindValue(*data, section, key);
    }
    if (!bytes) {
        return std::string(defaultValue.substr(0, Utf8BoundaryPrefix(defaultValue, maxBytes)));
    }
    return DecodeFileText(std::string_view(*bytes).substr(0, CharBoundaryPrefix(*bytes, maxBytes)));
}

std::int32_t CProfileFile::ReadInt(std::string_view section, std::string_view key,
                                   std::int32_t defaultValue) const {
    const std::optional<std::string> data = ReadWholeFile(m_strPath);
    if (!data) {
        return defaultValue;
    }
    // A key written without a value ("默认音量=") reads as missing, so its default holds.
    const std::optional<std::string> value = FindValue(*data, section, key);
    return value && !value->empty() ? ParseLeadingInt(*value) : defaultValue;
}

bool CProfileFile::WriteString(std::string_view section, std::string_view key,
                               std::string_view value) {
    std::optional<std::string> current = ReadWholeFile(m_strPath);
    if (!current) {
        // Only a file that does not exist yet may start empty; one that exists but
        // cannot be read must not be replaced by a file holding this key alone.
        std::error_code ec;
        if (std::filesystem::exists(m_strPath, ec) || ec) {
            return false;
        }
        current.emplace();
    }
    return WriteFileAtomically(m_strPath, SetValue(*current, section, key, value)) ==
           WriteResult::Ok;
}

bool CProfileFile::WriteInt(std::string_view section, std::string_view key, std::int32_t value) {
    return WriteString(section, key, std::to_string(value));
}

}  // namespace schedule
