#pragma once
// The remote page's token: made from the system's random source, compared in constant
// time so that the time an answer takes says nothing about how much of a guess was right.

#include <string>
#include <string_view>

namespace remote {

// Random bytes in a new token (256 bits), written as lower-case hexadecimal.
inline constexpr int kTokenBytes = 32;

std::string MakeToken();
// Whether given is the expected token; an empty expected token matches nothing. The time
// taken depends on the expected token's length only.
bool TokensEqual(std::string_view expected, std::string_view given);

}  // namespace remote
