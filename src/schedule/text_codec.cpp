#include "schedule/text_codec.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

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

// One iconv conversion descriptor, opened once per thread and reused.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (Valid()) {
            iconv_close(m_cd);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // iconv_open reports failure with the value (iconv_t)-1.
    bool Valid() const {
        // NOLINTNEXTLINE(performance-no-int-to-ptr)
        return m_cd != reinterpret_cast<iconv_t>(-1);
    }

    // Converts a run of well-formed characters. When iconv refuses a character, the
    // output so far is kept, replacement is appended, and conversion goes on after the
    // character (whose length charLength gives).
    template <typename CharLength>
    void Convert(std::string_view in, std::string& out, std::string_view replacement,
                 CharLength charLength) {
        if (!Valid()) {
            out += replacement;
            return;
        }
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        std::string src(in);
        char* inPtr = src.data();
        std::size_t inLeft = src.size();
        char buffer[4096];
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t rc = iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
                out += replacement;
                const std::size_t pos = static_cast<std::size_t>(inPtr - src.data());
                const std::size_t skip = std::max<std::size_t>(1, charLength(src, pos));
                inPtr += std::min(skip, inLeft);
                inLeft -= std::min(skip, inLeft);
                iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
            }
        }
    }

private:
    iconv_t m_cd;
};

Converter& Decoder() {
    thread_local Converter converter("UTF-8", "GB18030");
    return converter;
}

Converter& Encoder() {
    thread_local Converter converter("GB18030", "UTF-8");
    return converter;
}

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";
// Code page 936 holds the euro sign in the single byte 0x80, which GB18030 leaves
// unassigned; files written on Windows have it there and read it from there.
constexpr char kEuroByte = '\x80';
constexpr std::string_view kEuroUtf8 = "\xE2\x82\xAC";

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
    std::string out;
    out.reserve(bytes.size() * 3 / 2);
    // Runs of well-formed characters go to iconv in one piece; anything else becomes
    // the replacement character, except a character cut off at the very end.
    std::size_t runStart = 0;
    std::size_t pos = 0;
    const auto flush = [&] {
        if (pos > runStart) {
            Decoder().Convert(bytes.substr(runStart, pos - runStart), out, kReplacementUtf8,
                              Gb18030CharLength);
        }
    };
    while (pos < bytes.size()) {
        const std::size_t len = Gb18030CharLength(bytes, pos);
        if (len > 0) {
            pos += len;
            continue;
        }
        flush();
        if (IsIncompleteTail(bytes.substr(pos))) {
            return out;
        }
        out += bytes[pos] == kEuroByte ? kEuroUtf8 : kReplacementUtf8;
        runStart = ++pos;
    }
    flush();
    return out;
}

std::string EncodeFileText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t runStart = 0;
    std::size_t pos = 0;
    const auto flush = [&] {
        if (pos > runStart) {
            Encoder().Convert(utf8.substr(runStart, pos - runStart), out, "?", Utf8CharLength);
        }
    };
    while (pos < utf8.size()) {
        const std::size_t len = Utf8CharLength(utf8, pos);
        if (len > 0 && utf8.substr(pos, len) != kEuroUtf8) {
            pos += len;
            continue;
        }
        flush();
        if (len > 0) {
            out.push_back(kEuroByte);
            runStart = pos += len;
            continue;
        }
        out.push_back('?');
        runStart = ++pos;
    }
    flush();
    return out;
}

}  // namespace schedule
