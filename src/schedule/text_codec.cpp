#include "schedule/text_codec.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace schedule {

namespace {

// Byte length of the GB18030 character starting at bytes[pos], or 0 when the bytes
// there do not form a complete, well-formed character.
std::size_t Gb18030CharLength(std::string_view bytes, std::size_t pos) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[pos + i]); };
    const std::size_t left = bytes.size() - pos;
    const unsigned char lead = at(0);
    if (lead < 0x80) {
        return 1;
    }
    if (lead == 0x80 || lead == 0xFF || left < 2) {
        return 0;
    }
    const unsigned char second = at(1);
    if ((second >= 0x40 && second <= 0x7E) || (second >= 0x80 && second <= 0xFE)) {
        return 2;
    }
    if (second >= 0x30 && second <= 0x39 && left >= 4 && at(2) >= 0x81 && at(2) <= 0xFE &&
        at(3) >= 0x30 && at(3) <= 0x39) {
        return 4;
    }
    return 0;
}

// True when the bytes are the start of a character that the end of the data cut off.
bool IsIncompleteTail(std::string_view tail) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(tail[i]); };
    if (tail.empty() || tail.size() >= 4 || at(0) < 0x81 || at(0) > 0xFE) {
        return false;
    }
    if (tail.size() == 1) {
        return true;
    }
    if (at(1) < 0x30 || at(1) > 0x39) {
        return false;
    }
    return tail.size() == 2 || (at(2) >= 0x81 && at(2) <= 0xFE);
}

// RAII holder of one iconv conversion descriptor.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (m_cd != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(m_cd);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts one complete character (or run of characters); false when iconv refuses.
    bool Convert(std::string_view in, std::string& out) {
        if (m_cd == reinterpret_cast<iconv_t>(-1)) {
            return false;
        }
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        std::vector<char> src(in.begin(), in.end());
        char* inPtr = src.data();
        std::size_t inLeft = src.size();
        char buffer[64];
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t rc = iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
                return false;
            }
        }
        return true;
    }

private:
    iconv_t m_cd;
};

// Byte length of the UTF-8 sequence starting at s[pos], or 0 when it is malformed.
std::size_t Utf8CharLength(std::string_view s, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(s[pos]);
    std::size_t len = 0;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        len = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        len = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        len = 4;
    } else {
        return 0;
    }
    if (pos + len > s.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < len; ++i) {
        if ((static_cast<unsigned char>(s[pos + i]) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return len;
}

}  // namespace

std::size_t CharBoundaryPrefix(std::string_view bytes, std::size_t maxBytes) {
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t len = Gb18030CharLength(bytes, pos);
        if (len == 0) {
            len = 1;  // a stray byte counts as a character of its own
        }
        if (pos + len > maxBytes) {
            break;
        }
        pos += len;
    }
    return pos;
}

std::size_t Utf8BoundaryPrefix(std::string_view utf8, std::size_t maxBytes) {
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        std::size_t len = Utf8CharLength(utf8, pos);
        if (len == 0) {
            len = 1;
        }
        if (pos + len > maxBytes) {
            break;
        }
        pos += len;
    }
    return pos;
}

std::string DecodeFileText(std::string_view bytes) {
    Converter converter("UTF-8", "GB18030");
    std::string out;
    out.reserve(bytes.size() * 3 / 2);
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[pos]);
        if (lead < 0x80) {
            out.push_back(static_cast<char>(lead));
            ++pos;
            continue;
        }
        const std::size_t len = Gb18030CharLength(bytes, pos);
        if (len == 0) {
            // An incomplete character at the very end is dropped; anything else that is
            // not GB18030 is shown as the replacement character.
            if (IsIncompleteTail(bytes.substr(pos))) {
                break;
            }
            out += "\xEF\xBF\xBD";
            ++pos;
            continue;
        }
        if (!converter.Convert(bytes.substr(pos, len), out)) {
            out += "\xEF\xBF\xBD";
        }
        pos += len;
    }
    return out;
}

std::string EncodeFileText(std::string_view utf8) {
    Converter converter("GB18030", "UTF-8");
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[pos]);
        if (lead < 0x80) {
            out.push_back(static_cast<char>(lead));
            ++pos;
            continue;
        }
        const std::size_t len = Utf8CharLength(utf8, pos);
        if (len == 0) {
            out.push_back('?');
            ++pos;
            continue;
        }
        if (!converter.Convert(utf8.substr(pos, len), out)) {
            out.push_back('?');
        }
        pos += len;
    }
    return out;
}

}  // namespace schedule
