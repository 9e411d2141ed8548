// UTF-16 text built from numbers and ASCII, for the texts the program shows.
// Portable: digits and ASCII are the same units in every encoding, so
// nothing here needs a code page (those conversions are in win/text.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// `value` in decimal, zero-padded to at least `minDigits` digits: the
// runtime's %u and %02u.
inline void AppendDecimal(std::u16string& out, std::uint64_t value, int minDigits = 1) {
  char16_t digits[20];
  int n = 0;
  do {
    digits[n++] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (int pad = n; pad < minDigits; ++pad) out += u'0';
  while (n > 0) out += digits[--n];
}

// Text already formatted narrow (dates, versions), widened unit by unit.
inline void AppendAscii(std::u16string& out, std::string_view ascii) {
  for (char c : ascii) out += static_cast<char16_t>(static_cast<unsigned char>(c));
}
