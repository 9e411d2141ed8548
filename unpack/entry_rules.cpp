#include "unpack/entry_rules.h"

#include <cstring>
#include <new>

namespace unpack {
namespace {

bool Contains(const char* text, std::size_t length, const char* needle) {
  const std::size_t n = std::strlen(needle);
  if (length < n) return false;
  for (std::size_t i = 0; i + n <= length; ++i) {
    if (text[i] == needle[0] && std::memcmp(text + i, needle, n) == 0) return true;
  }
  return false;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

char FoldUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsFolded(const char* text, std::size_t length, const char* upper) {
  if (std::strlen(upper) != length) return false;
  for (std::size_t i = 0; i < length; ++i) {
    if (FoldUpper(text[i]) != upper[i]) return false;
  }
  return true;
}

// Windows opens the device, not a file, for these names whatever extension
// follows and whatever spaces precede the extension.
bool IsReservedComponent(const char* part, std::size_t length) {
  std::size_t stem = 0;
  while (stem < length && part[stem] != '.') ++stem;
  while (stem > 0 && part[stem - 1] == ' ') --stem;
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : kDevices) {
    if (EqualsFolded(part, stem, device)) return true;
  }
  if (stem == 4 && (EqualsFolded(part, 3, "COM") || EqualsFolded(part, 3, "LPT")) &&
      part[3] >= '0' && part[3] <= '9') {
    return true;
  }
  return false;
}

NameFault CheckComponent(const char* part, std::size_t length) {
  if (length == 0) return NameFault::None;
  if (length == 2 && part[0] == '.' && part[1] == '.') return NameFault::ParentComponent;
  if (IsReservedComponent(part, length)) return NameFault::ReservedName;
  const char last = part[length - 1];
  if (last == '.' || last == ' ') return NameFault::TrailingDotOrSpace;
  return NameFault::None;
}

}  // namespace

bool IsModuleEntryName(const char* name, std::size_t length) {
  return Contains(name, length, ".z70") || Contains(name, length, ".sys");
}

NameFault CheckEntryName(const char* name, std::size_t length) {
  if (std::memchr(name, '\0', length) != nullptr) return NameFault::NulByte;
  if (length > 0 && IsSeparator(name[0])) return NameFault::Absolute;
  for (std::size_t i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (c == ':') return NameFault::Colon;
    if (c < 0x20 || std::strchr("<>\"|?*", c) != nullptr) return NameFault::ForbiddenChar;
  }
  std::size_t start = 0;
  for (std::size_t i = 0; i <= length; ++i) {
    if (i == length || IsSeparator(name[i])) {
      const NameFault fault = CheckComponent(name + start, i - start);
      if (fault != NameFault::None) return fault;
      start = i + 1;
    }
  }
  return NameFault::None;
}

const char* DescribeNameFault(NameFault fault) {
  switch (fault) {
    case NameFault::None: return "acceptable";
    case NameFault::NulByte: return "NUL byte in the name";
    case NameFault::Absolute: return "absolute path";
    case NameFault::Colon: return "drive or stream colon";
    case NameFault::ForbiddenChar: return "character not allowed in file names";
    case NameFault::ParentComponent: return "\"..\" component";
    case NameFault::ReservedName: return "reserved device name";
    case NameFault::TrailingDotOrSpace: return "component ending in a dot or space";
  }
  return "unknown";
}

bool BuildOutputPath(const char* target, const char* name, std::size_t nameLength,
                     char separator, bool backslashSeparates, char* out) {
  out[0] = '\0';
  const std::size_t targetLength = std::strlen(target);
  // target, separator, name, terminator
  if (targetLength + 2 > kOutputPathSize || nameLength > kOutputPathSize - 2 - targetLength) {
    return false;
  }
  std::memcpy(out, target, targetLength);
  out[targetLength] = separator;
  char* dst = out + targetLength + 1;
  for (std::size_t i = 0; i < nameLength; ++i) {
    dst[i] = (!backslashSeparates && name[i] == '\\') ? separator : name[i];
  }
  dst[nameLength] = '\0';
  return true;
}

std::size_t FilePartOffset(const char* path) {
  std::size_t offset = 0;
  for (std::size_t i = 0; path[i] != '\0'; ++i) {
    if (IsSeparator(path[i])) offset = i + 1;
  }
  return offset;
}

std::uint64_t AddDeclaredSize(std::uint64_t total, std::uint64_t size) {
  return (size > UINT64_MAX - total) ? UINT64_MAX : total + size;
}

std::string FoldedPath(std::string_view path) {
  std::string folded(path);
  for (char& c : folded) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 'A' && byte <= 'Z') c = static_cast<char>(byte + ('a' - 'A'));
    else if (byte >= 0xC0 && byte <= 0xDF) c = static_cast<char>(byte + 0x20);  // А..Я
    else if (byte == 0xA8) c = static_cast<char>(0xB8);                          // Ё
    else if (c == '/') c = '\\';
  }
  return folded;
}

std::uint64_t SpaceNeed::Allocated(std::uint64_t size) const {
  const std::uint64_t clusters = size / cluster_ + (size % cluster_ != 0 ? 1 : 0);
  return clusters > UINT64_MAX / cluster_ ? UINT64_MAX : clusters * cluster_;
}

bool SpaceNeed::Add(std::string_view outputPath, std::uint64_t newSize, std::uint64_t existingSize) {
  std::uint64_t replacedSize = existingSize;
  try {
    const auto [it, first] = written_.try_emplace(FoldedPath(outputPath), newSize);
    if (!first) {
      replacedSize = it->second;  // what the earlier entry of that name wrote
      it->second = newSize;
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  // Far beyond any volume and any sanity limit, yet no sum of a few of them
  // wraps: the sizes and the running growth are held inside it.
  constexpr std::uint64_t kCap = std::uint64_t{1} << 60;
  constexpr std::int64_t kGrowthCap = std::int64_t{1} << 61;
  const std::uint64_t newAllocated = Allocated(newSize);
  const std::uint64_t replacedAllocated = Allocated(replacedSize);
  const auto added = static_cast<std::int64_t>(newAllocated < kCap ? newAllocated : kCap);
  const auto freed = static_cast<std::int64_t>(replacedAllocated < kCap ? replacedAllocated : kCap);
  const std::int64_t during = growth_ + added;
  if (during > 0 && static_cast<std::uint64_t>(during) > peak_) peak_ = static_cast<std::uint64_t>(during);
  growth_ = during - freed;
  if (growth_ > kGrowthCap) growth_ = kGrowthCap;
  if (growth_ < -kGrowthCap) growth_ = -kGrowthCap;
  return true;
}

TotalVerdict CheckDeclaredTotal(std::uint64_t total, std::uint64_t needed, bool haveFreeBytes,
                                std::uint64_t freeBytes, std::uint64_t limit) {
  if (total > limit) return TotalVerdict::OverLimit;
  if (haveFreeBytes && needed > freeBytes) return TotalVerdict::OverFreeSpace;
  return TotalVerdict::Fits;
}

}  // namespace unpack
