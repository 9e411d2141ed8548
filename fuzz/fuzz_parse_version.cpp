// The version text reader over arbitrary bytes. Checked against the rules a
// reader must keep whatever the text: the form follows from the number of
// non-empty pieces, empty pieces between dots change nothing, pieces behind
// the fourth are ignored, and plain short numbers read as themselves.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"
#include "fuzz/fuzz_check.h"

namespace {

std::vector<std::string_view> NonEmptyPieces(std::string_view text) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t dot = text.find('.', start);
    if (dot == std::string_view::npos) dot = text.size();
    if (dot > start) pieces.push_back(text.substr(start, dot - start));
    start = dot + 1;
  }
  return pieces;
}

std::string Join(const std::vector<std::string_view>& pieces, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count && i < pieces.size(); ++i) {
    if (i > 0) out.push_back('.');
    out.append(pieces[i]);
  }
  return out;
}

// Up to nine decimal digits and nothing else: the value is beyond doubt.
bool PlainNumber(std::string_view piece, std::uint32_t& value) {
  if (piece.empty() || piece.size() > 9) return false;
  value = 0;
  for (char c : piece) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  ModuleVersion version;
  version.form = 0x12345678u;  // whatever the caller's variable held before
  version.ver1 = version.ver2 = version.ver3 = 0xDEADBEEFu;
  const bool parsed = ParseVersion(text, version);

  const std::vector<std::string_view> pieces = NonEmptyPieces(text);
  FUZZ_CHECK(parsed == (pieces.size() >= 3));
  FUZZ_CHECK(parsed == (version.form != Unparsed));
  if (pieces.size() >= 4) {
    FUZZ_CHECK(version.form == FourPart);
  } else if (pieces.size() == 3) {
    FUZZ_CHECK(version.form == ThreePart);
  } else {
    FUZZ_CHECK(version.form == Unparsed);
    if (pieces.size() < 1) FUZZ_CHECK(version.ver1 == 0);
    if (pieces.size() < 2) FUZZ_CHECK(version.ver2 == 0);
    FUZZ_CHECK(version.ver3 == 0);
  }

  std::uint32_t value = 0;
  if (!pieces.empty() && PlainNumber(pieces[0], value)) FUZZ_CHECK(version.ver1 == value);
  if (pieces.size() >= 2 && PlainNumber(pieces[1], value)) FUZZ_CHECK(version.ver2 == value);
  if (pieces.size() == 3 && PlainNumber(pieces[2], value)) FUZZ_CHECK(version.ver3 == value);
  std::uint32_t third = 0, fourth = 0;
  if (pieces.size() >= 4 && PlainNumber(pieces[2], third) && PlainNumber(pieces[3], fourth)) {
    FUZZ_CHECK(version.ver3 == ((third << 8) | (fourth & 0xFFu)));
  }

  // The same pieces without the empty ones, and without any behind the
  // fourth, read the same.
  ModuleVersion again;
  FUZZ_CHECK(ParseVersion(Join(pieces, 4), again) == parsed);
  FUZZ_CHECK(again == version);
  return 0;
}
