#pragma once
// Conversion between the program's UTF-8 strings and the GB18030 bytes of its files.
// GB18030 is a superset of GBK that maps every GBK byte sequence to the same character,
// so GBK files read and write back byte for byte.

#include <cstddef>
#include <string>
#include <string_view>

namespace schedule {

// Decodes GB18030 bytes to UTF-8; the byte 0x80 is the euro sign, as in code page 936.
// A byte sequence that is not valid GB18030 becomes U+FFFD; an incomplete character at
// the end is dropped.
std::string DecodeFileText(std::string_view bytes);

// Encodes UTF-8 to GB18030 bytes, the euro sign to 0x80 as code page 936 holds it.
// Invalid UTF-8 and characters GB18030 cannot hold
// (there are none among valid code points) become '?'.
std::string EncodeFileText(std::string_view utf8);

// Length of the longest prefix of GB18030 bytes that is at most maxBytes long and
// does not end inside a character.
std::size_t CharBoundaryPrefix(std::string_view bytes, std::size_t maxBytes);

// Length of the longest prefix of a UTF-8 string that is at most maxBytes long and
// does not end inside a character.
std::size_t Utf8BoundaryPrefix(std::string_view utf8, std::size_t maxBytes);

}  // namespace schedule
