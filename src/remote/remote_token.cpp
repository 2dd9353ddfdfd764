#include "remote/remote_token.h"

#include <QRandomGenerator>
#include <array>
#include <cstdint>

namespace remote {

std::string MakeToken() {
    static constexpr char kHex[] = "0123456789abcdef";
    std::array<std::uint32_t, kTokenBytes / sizeof(std::uint32_t)> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    std::string token;
    token.reserve(kTokenBytes * 2);
    for (std::uint32_t word : words) {
        for (int nibble = 0; nibble < 8; ++nibble) {
            token += kHex[word & 0xFU];
            word >>= 4U;
        }
    }
    return token;
}

bool TokensEqual(std::string_view expected, std::string_view given) {
    if (expected.empty()) {
        return false;
    }
    // Every byte of the expected token is looked at whatever the guess holds.
    unsigned difference = expected.size() == given.size() ? 0U : 1U;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const unsigned char guess =
            i < given.size() ? static_cast<unsigned char>(given[i]) : static_cast<unsigned char>(0);
        difference |= static_cast<unsigned char>(expected[i]) ^ guess;
    }
    return difference == 0;
}

}  // namespace remote
