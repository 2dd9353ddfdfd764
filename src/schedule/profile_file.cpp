#include "schedule/profile_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <system_error>

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
    std::string_view rawName;   // section or key name as the file holds it, trimmed
    std::string_view rawValue;  // for an entry: the bytes after '='
};

// The name a section or key line stands for: UTF-8, lower-case ASCII.
std::string NameOf(const Line& line) {
    return AsciiLower(DecodeFileText(line.rawName));
}

// Calls visit(line) for every line of the file in order, without keeping them: a file of
// millions of lines costs no more memory than its bytes.
template <typename Visit>
void ForEachLine(std::string_view bytes, Visit visit) {
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
                line.rawName = Trim(text.substr(1, close - 1));
            }
        } else if (!text.empty() && text.front() != ';') {
            const std::size_t equals = raw.find('=');
            if (equals != std::string_view::npos) {
                line.kind = Line::Entry;
                line.rawName = Trim(raw.substr(0, equals));
                line.rawValue = raw.substr(equals + 1);
            }
        }
        visit(line);
        pos = next;
    }
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

std::int64_t Nanoseconds(const struct timespec& time) {
    constexpr std::int64_t kNsPerSecond = 1000000000;
    return static_cast<std::int64_t>(time.tv_sec) * kNsPerSecond + time.tv_nsec;
}

}  // namespace

CProfileFile::Index CProfileFile::Index::Parse(std::string_view fileBytes) {
    Index index;
    Section* current = nullptr;  // null outside a section's first block
    ForEachLine(fileBytes, [&](const Line& line) {
        if (line.kind == Line::Section) {
            const auto [it, inserted] = index.m_Sections.try_emplace(NameOf(line));
            current = inserted ? &it->second : nullptr;
        } else if (line.kind == Line::Entry && current != nullptr) {
            current->try_emplace(NameOf(line), Unquote(Trim(line.rawValue)));
        }
    });
    return index;
}

const CProfileFile::Index::Section* CProfileFile::Index::FindSection(
    std::string_view section) const {
    const auto it = m_Sections.find(AsciiLower(std::string(section)));
    return it == m_Sections.end() ? nullptr : &it->second;
}

const std::string* CProfileFile::Index::Find(std::string_view section, std::string_view key) const {
    const Section* found = FindSection(section);
    if (found == nullptr) {
        return nullptr;
    }
    const auto it = found->find(AsciiLower(std::string(Trim(key))));
    return it == found->end() ? nullptr : &it->second;
}

CProfileFile::Stamp CProfileFile::StampOf(const std::string& path) {
    Stamp stamp;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        stamp.exists = true;
        stamp.device = st.st_dev;
        stamp.inode = st.st_ino;
        stamp.size = st.st_size;
        stamp.modifiedNs = Nanoseconds(st.st_mtim);
        stamp.changedNs = Nanoseconds(st.st_ctim);
    }
    return stamp;
}

std::shared_ptr<const CProfileFile::Index> CProfileFile::ReadIndex() const {
    // The stamp is taken before the read: a change during the read gives a new stamp,
    // so the next read parses again.
    const Stamp stamp = StampOf(m_strPath);
    if (m_pCachedIndex == nullptr || !(stamp == m_CachedStamp)) {
        const std::optional<std::string> data =
            stamp.exists ? ReadWholeFile(m_strPath) : std::nullopt;
        m_pCachedIndex = std::make_shared<const Index>(data ? Index::Parse(*data) : Index());
        m_CachedStamp = stamp;
    }
    return m_pCachedIndex;
}

std::optional<std::string> CProfileFile::FindValue(std::string_view fileBytes,
                                                   std::string_view section, std::string_view key) {
    const Index index = Index::Parse(fileBytes);
    const std::string* value = index.Find(section, key);
    return value != nullptr ? std::optional<std::string>(*value) : std::nullopt;
}

std::string CProfileFile::SetValue(std::string_view fileBytes, std::string_view section,
                                   std::string_view key, std::string_view value) {
    const std::string sectionText = OneLine(section);
    const std::string keyText = OneLine(Trim(key));
    const std::string entry = EncodeFileText(keyText) + "=" + EncodeFileText(OneLine(value));
    const std::string sectionName = AsciiLower(sectionText);
    const std::string keyName = AsciiLower(keyText);

    // First pass: where the section's first block is, and in it the key's line or the
    // place for a new one (after the block's last non-blank line).
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t sectionLine = kNone;
    std::size_t keyLine = kNone;
    std::size_t insertAfter = kNone;
    bool inSection = false;
    std::size_t index = 0;
    ForEachLine(fileBytes, [&](const Line& line) {
        const std::size_t i = index++;
        if (keyLine != kNone) {
            return;
        }
        if (line.kind == Line::Section) {
            if (inSection) {
                inSection = false;
            } else if (sectionLine == kNone && NameOf(line) == sectionName) {
                sectionLine = i;
                insertAfter = i;
                inSection = true;
            }
            return;
        }
        if (!inSection) {
            return;
        }
        if (line.kind == Line::Entry && NameOf(line) == keyName) {
            keyLine = i;
            inSection = false;
        } else if (!Trim(line.raw).empty()) {
            insertAfter = i;
        }
    });

    std::string result;
    result.reserve(fileBytes.size() + entry.size() + sectionText.size() + 8);
    index = 0;
    ForEachLine(fileBytes, [&](const Line& line) {
        const std::size_t i = index++;
        result.append(i == keyLine ? std::string_view(entry) : line.raw);
        result += "\r\n";
        if (keyLine == kNone && i == insertAfter) {
            result += entry;
            result += "\r\n";
        }
    });
    if (sectionLine == kNone) {
        result += "[" + EncodeFileText(sectionText) + "]\r\n";
        result += entry;
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
    const std::shared_ptr<const Index> index = ReadIndex();
    const std::string* bytes = index->Find(section, key);
    if (bytes == nullptr) {
        return std::string(defaultValue.substr(0, Utf8BoundaryPrefix(defaultValue, maxBytes)));
    }
    return DecodeFileText(std::string_view(*bytes).substr(0, CharBoundaryPrefix(*bytes, maxBytes)));
}

std::int32_t CProfileFile::ReadInt(std::string_view section, std::string_view key,
                                   std::int32_t defaultValue) const {
    // A key written without a value ("默认音量=") reads as missing, so its default holds.
    const std::shared_ptr<const Index> index = ReadIndex();
    const std::string* value = index->Find(section, key);
    return value != nullptr && !value->empty() ? ParseLeadingInt(*value) : defaultValue;
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
