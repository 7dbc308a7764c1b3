#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace common {

// The number a text stands for, by the leading-number rule:
// - Blanks (32), tabs (9) and line feeds (10) are removed from the whole text first, so
//   "  12" and "1 2" both read 12.
// - Then the longest leading part that reads as a decimal number is taken: an optional
//   sign, digits with at most one decimal point, and an optional exponent ("E" or "D", either
//   case, with its own optional sign and at least one digit). "1e" reads 1, ".5" reads 0.5.
// - Or "&H" / "&O" (either case) followed by hexadecimal / octal digits. The digits are read
//   as a signed 16-bit value when the number fits 16 bits unsigned ("&HFFFF" is -1,
//   "&H8000" is -32768, "&O177777" is -1), as a signed 32-bit value when it fits 32 bits
//   unsigned ("&H10000" is 65536, "&HFFFFFFFF" is -1), and as the plain (large, positive)
//   number beyond that, so CInt reports it as an overflow. Leading zeros do not change the
//   width. No sign may stand before the prefix.
// - Anything else gives 0 ("", "abc", "-", "&H").
// A decimal number too large for a double gives +/-infinity, one too small gives 0.
// Independent of the process locale: the decimal point is always ".".
double Val(std::string_view text);

// Nearest 16-bit integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2);
// nullopt when the result does not fit -32768..32767 or the value is not finite.
std::optional<std::int16_t> CInt(double value);

// A number as signed-number text: one leading space when it is not negative
// (2000 -> " 2000", -5 -> "-5").
std::string SignedNumberText(std::int32_t value);

} // namespace common
