#include "device/inventory.h"

#include <cassert>

namespace {

std::uint32_t ReadLe32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool HeaderHolds(const SystemHeader& header, const ModuleVersion& version) {
  if (version.form == FourPart) {
    // A release with a four-number version is one exact build; ver3 packs the third and fourth
    // numbers and is compared whole.
    return header.ver1 == version.ver1 && header.ver2 == version.ver2 &&
           header.ver3 == version.ver3;
  }
  if (header.ver1 != version.ver1) return header.ver1 > version.ver1;
  if (header.ver2 != version.ver2) return header.ver2 > version.ver2;
  return header.ver3 >= version.ver3;
}

}  // namespace

bool DecodeSystemHeader(const unsigned char* bytes, std::size_t count, SystemHeader& header) {
  if (count < kSystemHeaderMinimum) return false;
  header.ver1 = ReadLe32(bytes + 16);
  header.ver2 = ReadLe32(bytes + 20);
  header.ver3 = ReadLe32(bytes + 24);
  return true;
}

std::string FoldAsciiLower(std::string_view text) {
  std::string folded(text);
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return folded;
}

bool MarkOnScanner(ModuleList& list, const SystemHeader* header, const ModuleCatalogue& catalogue,
                   std::string_view fileName) {
  assert(&list == &catalogue.modules || &list == &catalogue.systemModules);
  const std::string needle = FoldAsciiLower(fileName);
  const char* suffix = &list == &catalogue.modules ? ".z70" : ".sys";

  bool marked = false;
  std::string haystack;
  for (ModuleRecord& record : list.records) {
    for (ModuleRelease& release : record.releases) {
      // Built at full length: a long archive name is compared whole, suffix included.
      haystack = FoldAsciiLower(release.archiveName);
      haystack += suffix;
      if (haystack.find(needle) == std::string::npos) continue;
      if (header && !HeaderHolds(*header, release.version)) continue;
      release.onScanner = true;
      marked = true;
    }
  }
  return marked;
}

void TakeInventoryEntry(ModuleCatalogue& catalogue, std::string_view name,
                        const ReadModuleHeader& readHeader) {
  if (name.find(".z70") != std::string_view::npos) {
    if (!MarkOnScanner(catalogue.modules, nullptr, catalogue, name))
      MarkOnScanner(catalogue.systemModules, nullptr, catalogue, name);
    return;
  }
  if (name.find(".sys") == std::string_view::npos) return;

  const std::string lowerName = FoldAsciiLower(name);
  unsigned char bytes[kSystemHeaderSize] = {};
  std::size_t bytesRead = 0;
  if (!readHeader(lowerName, bytes, sizeof bytes, bytesRead)) return;
  assert(bytesRead <= sizeof bytes);
  SystemHeader header;
  if (!DecodeSystemHeader(bytes, bytesRead, header)) return;
  if (!MarkOnScanner(catalogue.modules, &header, catalogue, lowerName))
    MarkOnScanner(catalogue.systemModules, &header, catalogue, lowerName);
}
