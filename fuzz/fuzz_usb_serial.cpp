// The serial part of a scanner's instance id over arbitrary UTF-16 text.
// Input: with a leading FF FE the rest is UTF-16LE (any code unit, lone
// surrogates and NUL included); otherwise every byte is one code unit, so
// text seeds stay readable.
//
// Checked: the length rule (up to the first NUL), zeroed outputs on refusal,
// and that each field depends on its own characters only: the day, month and
// year on their two characters each, the serial number on the text from
// character 6 on.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "device/discovery.h"
#include "fuzz/fuzz_check.h"

namespace {

std::u16string Decode(const std::uint8_t* data, std::size_t size) {
  std::u16string text;
  if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
    for (std::size_t i = 2; i + 1 < size; i += 2)
      text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  } else {
    for (std::size_t i = 0; i < size; ++i) text.push_back(static_cast<char16_t>(data[i]));
  }
  return text;
}

SystemTime Garbage() {
  SystemTime t;
  t.wYear = t.wMonth = t.wDayOfWeek = t.wDay = 0xAAAA;
  t.wHour = t.wMinute = t.wSecond = t.wMilliseconds = 0xAAAA;
  return t;
}

bool AllZero(const SystemTime& t) {
  return t.wYear == 0 && t.wMonth == 0 && t.wDayOfWeek == 0 && t.wDay == 0 && t.wHour == 0 &&
         t.wMinute == 0 && t.wSecond == 0 && t.wMilliseconds == 0;
}

bool AsciiDigits(std::u16string_view text) {
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string text = Decode(data, size);
  SystemTime date = Garbage();
  std::uint32_t serial = 0xAAAAAAAAu;
  const bool parsed = ParseUsbSerial(text, date, serial);

  const std::u16string_view effective = std::u16string_view(text).substr(0, text.find(u'\0'));
  FUZZ_CHECK(parsed == (effective.size() >= 12));
  if (!parsed) {
    FUZZ_CHECK(AllZero(date));
    FUZZ_CHECK(serial == 0);
    return 0;
  }
  FUZZ_CHECK(date.wDayOfWeek == 0 && date.wHour == 0 && date.wMinute == 0 && date.wSecond == 0 &&
             date.wMilliseconds == 0);

  // Same date characters, another serial: the date stays. Same serial text,
  // other date characters: the serial stays.
  const std::u16string otherSerial = std::u16string(effective.substr(0, 6)) + u"000000";
  SystemTime date2 = Garbage();
  std::uint32_t serial2 = 1;
  FUZZ_CHECK(ParseUsbSerial(otherSerial, date2, serial2));
  FUZZ_CHECK(serial2 == 0);
  FUZZ_CHECK(date2.wDay == date.wDay && date2.wMonth == date.wMonth && date2.wYear == date.wYear);

  const std::u16string otherDate = u"010100" + std::u16string(effective.substr(6));
  SystemTime date3 = Garbage();
  std::uint32_t serial3 = 1;
  FUZZ_CHECK(ParseUsbSerial(otherDate, date3, serial3));
  FUZZ_CHECK(serial3 == serial);
  FUZZ_CHECK(date3.wDay == 1 && date3.wMonth == 1 && date3.wYear == 2000);

  // All-digit fields read as the numbers they spell.
  if (AsciiDigits(effective.substr(0, 6))) {
    auto two = [&](std::size_t at) {
      return static_cast<std::uint16_t>((effective[at] - u'0') * 10 + (effective[at + 1] - u'0'));
    };
    FUZZ_CHECK(date.wDay == two(0));
    FUZZ_CHECK(date.wMonth == two(2));
    FUZZ_CHECK(date.wYear == 2000 + two(4));
  }
  std::size_t digits = 6;
  while (digits < effective.size() && effective[digits] >= u'0' && effective[digits] <= u'9') ++digits;
  if (digits > 6 && digits - 6 <= 9) {
    std::uint32_t expected = 0;
    for (std::size_t i = 6; i < digits; ++i) expected = expected * 10 + (effective[i] - u'0');
    FUZZ_CHECK(serial == expected);
  }
  return 0;
}
