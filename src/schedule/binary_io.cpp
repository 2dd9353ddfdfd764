#include "schedule/binary_io.h"

#include "schedule/text_codec.h"

namespace schedule {

bool CBinaryReader::ReadInt(std::int32_t& value) {
    if (!m_ok || Remaining() < 4) {
        m_ok = false;
        return false;
    }
    std::uint32_t raw = 0;
    for (int i = 3; i >= 0; --i) {
        raw = (raw << 8) | static_cast<unsigned char>(m_data[m_pos + static_cast<std::size_t>(i)]);
    }
    value = static_cast<std::int32_t>(raw);
    m_pos += 4;
    return true;
}

bool CBinaryReader::ReadString(std::string& value) {
    std::int32_t count = 0;
    if (!ReadInt(count)) {
        return false;
    }
    if (count < 0 || count > kMaxStoredString || Remaining() < static_cast<std::size_t>(count)) {
        m_ok = false;
        return false;
    }
    std::string_view bytes = m_data.substr(m_pos, static_cast<std::size_t>(count));
    m_pos += static_cast<std::size_t>(count);
    if (const std::size_t zero = bytes.find('\0'); zero != std::string_view::npos) {
        bytes = bytes.substr(0, zero);
    }
    value = DecodeFileText(bytes);
    return true;
}

void CBinaryWriter::WriteInt(std::int32_t value) {
    const auto raw = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        m_data.push_back(static_cast<char>((raw >> (8 * i)) & 0xFF));
    }
}

void CBinaryWriter::WriteString(const std::string& value) {
    std::string bytes = EncodeFileText(value);
    // Only text up to the first zero survives a read, so nothing after it is kept.
    if (const std::size_t zero = bytes.find('\0'); zero != std::string::npos) {
        bytes.resize(zero);
    }
    bytes.resize(CharBoundaryPrefix(bytes, kMaxStoredString - 1));
    WriteInt(static_cast<std::int32_t>(bytes.size() + 1));
    m_data.append(bytes);
    m_data.push_back('\0');
}

}  // namespace schedule
