#include "app/drawing_rules.h"

namespace {

// Strip icon by series.
constexpr int kTypeIcons[] = {
    7,  8,  10, 9,  12, 11, 14, 20, 40, 15, 16, 23, 19, 18,   // 0..13
    17, 20, 13, 24, 25, 30, 32, 34, 35, 33, 36, 37, 38, 31,   // 14..27
    52, 43, 46, 41, 44, 39, 42, 56, 53, 57, 15, 40, 55,       // 28..40
};
constexpr std::uint32_t kTypeIconCount = sizeof kTypeIcons / sizeof kTypeIcons[0];
static_assert(kTypeIconCount == 41, "one icon per series 0..40");

}  // namespace

int TypeIconFor(std::uint32_t itemData) {
  if (itemData == kSystemRowData) return kSystemIcon;
  if (itemData < kTypeIconCount) return kTypeIcons[itemData];
  return kNoIcon;
}

const char16_t* TypeLineFor(int icon, std::u16string_view name) {
  if (icon == kSystemIcon) return u"системный";
  if (name.find(u"PRG_") != std::u16string_view::npos) return u"программатор";
  return u"диагностический";
}

Rgb RowBackground(int rowIndex) {
  return rowIndex % 2 != 0 ? Rgb{238, 238, 238} : Rgb{224, 224, 224};
}

Rgb NewReleaseTextColour(bool selected) {
  return selected ? Rgb{0, 255, 0} : Rgb{0, 128, 0};
}

CellLines SplitNewReleaseText(std::u16string_view text) {
  const std::size_t brk = text.find(u'\n');
  if (brk == std::u16string_view::npos) return {text, {}};
  return {text.substr(0, brk), text.substr(brk + 1)};
}
