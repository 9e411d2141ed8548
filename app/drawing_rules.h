// What a module row shows, decided from its texts and item data. Portable;
// drawing.cpp paints it.
#pragma once

#include <cstdint>
#include <string_view>

constexpr int kRowHeight = 32;           // the height of a type icon
constexpr int kIconSize = 32;
constexpr int kSystemIcon = 4;           // the letters SYS
constexpr int kNoIcon = -1;
constexpr std::uint32_t kSystemRowData = 0xFFFFFFFFu;  // item data of a system-list row

// The strip icon of a row: kSystemIcon for a system-list row, the type icon
// table's entry for a series 0 to 40, kNoIcon for any other series (the
// row then shows its name and type line without an icon).
int TypeIconFor(std::uint32_t itemData);

// "системный" for the system icon, else "программатор" when the name holds
// "PRG_" (case-sensitive), else "диагностический".
const char16_t* TypeLineFor(int icon, std::u16string_view name);

struct Rgb {
  std::uint8_t r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

// The background of an unselected row: 224 for an even index, 238 for an odd one.
Rgb RowBackground(int rowIndex);
// The new-release text: dark green, bright green on a selected row.
Rgb NewReleaseTextColour(bool selected);
constexpr Rgb kTypeLineColour{144, 144, 144};

// The new-release cell's two lines: split at the first line break.
struct CellLines {
  std::u16string_view first;
  std::u16string_view second;
};
CellLines SplitNewReleaseText(std::u16string_view text);
