// Conversions between the data files' code page 932 (Shift-JIS) and the UTF-8 of the CSV
// files, through the C library's iconv.
#pragma once

#include <string>
#include <string_view>

namespace fieldcast::map {

// Throws std::runtime_error on bytes that are not valid in the source encoding or have no
// counterpart in the target one.
std::string cp932ToUtf8(std::string_view text);
std::string utf8ToCp932(std::string_view text);
// An ASCII control character (below 0x20, or DEL): no name may hold one.
constexpr bool isControlByte(char c) {
    return static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) == 0x7F;
}

// The ISO 8859-1 of PostScript's fonts, as gmt draws text.
std::string utf8ToLatin1(std::string_view text);
// A point's name as a plot's legend can show it: its ISO 8859-1 ("Krak\xf3w"), or, for a name
// the fonts lack (Japanese) or one with a control character, "(name in FILE)" with the file
// of the run that holds it (`whereNamed`, the same rule; "(name in the point list)" if that
// cannot be shown either).
std::string plotLegendName(std::string_view nameUtf8, std::string_view whereNamed);

}  // namespace fieldcast::map
