// Which catalogue releases a scanner already holds, decided from the names
// (and, for system components, the version header) of the files in its
// module directory. Portable; the directory walk is the Win32 adapter's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"

// A ".sys" file's first bytes, read in one request.
constexpr std::size_t kSystemHeaderSize = 60;
// The version words end here: a shorter file carries no version and counts
// as not present.
constexpr std::size_t kSystemHeaderMinimum = 28;

struct SystemHeader {
  std::uint32_t ver1 = 0;   // little-endian at offset 16
  std::uint32_t ver2 = 0;   // at 20
  std::uint32_t ver3 = 0;   // at 24
};

// False when fewer than kSystemHeaderMinimum bytes were read.
bool DecodeSystemHeader(const unsigned char* bytes, std::size_t count, SystemHeader& header);

// Folds A-Z only: names are bytes in the ANSI code page and stay so.
std::string FoldAsciiLower(std::string_view text);

// Marks every release of `list` (catalogue.modules or catalogue.systemModules)
// that the scanner file `fileName` stands for; true when it marked any.
bool MarkOnScanner(ModuleList& list, const SystemHeader* header, const ModuleCatalogue& catalogue,
                   std::string_view fileName);

// Reads up to `capacity` bytes of the ".sys" file `lowerName` in the module
// directory into `buffer`; false when it cannot be opened or read.
using ReadModuleHeader = std::function<bool(const std::string& lowerName, unsigned char* buffer,
                                            std::size_t capacity, std::size_t& bytesRead)>;

// One listed entry of the module directory ("." and subdirectories included).
void TakeInventoryEntry(ModuleCatalogue& catalogue, std::string_view name,
                        const ReadModuleHeader& readHeader);
