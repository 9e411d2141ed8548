// The user-visible texts the main window composes. Portable: UTF-16 in
// char16_t, handed to the wide Win32 calls as they are.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

constexpr std::size_t kDisplayTextSize = 200;  // composed texts, in characters with terminator

// The message at the end of a queue that was worked off.
const char16_t* InstallFinishedText(bool cancelled);
// Static 1006 of the install progress dialog: "Был загружен ранее" for a
// package from the module cache, else the kilobytes as "%u KB".
std::u16string ProgressText(unsigned long kilobytes, bool fromCache);

extern const char16_t kNoInternetText[];   // refresh code 2
extern const char16_t kEjectQuestion[];
extern const char16_t kNewReleaseHeader[];

// A scanner button's label, composed from the text the panel rebuild gave it
// ("model\nserial\ndate"): the pieces between line breaks, empty ones
// skipped; "Серийный № " before the second piece and "Дата вып. " before the
// third; pieces behind the third are dropped. A text without any piece
// is shown as it is. At most kDisplayTextSize - 1 characters.
std::u16string ComposeScannerLabel(std::u16string_view text);
