#include "device/sim_scanners.h"

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Instance ids are ASCII in practice; anything else is decoded leniently
// (a broken sequence becomes U+FFFD) so a bad file cannot break discovery.
std::u16string FromUtf8(std::string_view text) {
  std::u16string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t extra = 0;
    std::uint32_t cp = 0;
    if (lead < 0x80) {
      cp = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1, cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, cp = lead & 0x07;
    } else {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    std::size_t k = 1;
    for (; k <= extra && i + k < text.size(); ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) break;
      cp = cp << 6 | (next & 0x3F);
    }
    if (k <= extra || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out += u'\uFFFD';
      i += k;
      continue;
    }
    i += k;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

bool IsDriveWord(std::string_view word) {
  const bool letter = !word.empty() && ((word[0] >= 'A' && word[0] <= 'Z') || (word[0] >= 'a' && word[0] <= 'z'));
  return letter && ((word.size() == 2 && word[1] == ':') ||
                    (word.size() == 3 && word[1] == ':' && word[2] == '\\'));
}

std::vector<std::string_view> SplitWords(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

}  // namespace

std::vector<SimScanner> ParseSimScanners(std::string_view text, std::vector<std::size_t>* badLines) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<SimScanner> scanners;
  std::size_t lineNumber = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++lineNumber;

    const std::vector<std::string_view> words = SplitWords(line);
    if (words.empty() || words[0][0] == '#') continue;

    SimScanner scanner;
    scanner.instanceId = FromUtf8(words[0]);
    std::size_t next = 1;
    if (next < words.size() && IsDriveWord(words[next])) {
      char letter = words[next][0];
      if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
      scanner.driveLetter = static_cast<char16_t>(letter);
      ++next;
    }
    if (next < words.size() && words[next] == "veto") {
      scanner.veto = true;
      ++next;
    }
    if (next < words.size() && words[next] == "blocked") {
      scanner.blocked = true;
      ++next;
    }
    if (next != words.size()) {
      if (badLines) badLines->push_back(lineNumber);
      continue;
    }
    scanners.push_back(std::move(scanner));
  }
  return scanners;
}

DiscoverySnapshot BuildSimSnapshot(const std::vector<SimScanner>& scanners,
                                   std::uint32_t devInfoSize) {
  // The setup class of disk drives, as SetupAPI reports it for a USB disk.
  const DevInfoGuid diskDriveClass = {0x4D36E967u, 0xE325u, 0x11CEu,
                                      {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
  DiscoverySnapshot snapshot;
  for (std::size_t i = 0; i < scanners.size(); ++i) {
    SnapshotInterface disk;
    disk.devInfo.cbSize = devInfoSize;
    disk.devInfo.ClassGuid = diskDriveClass;
    disk.devInfo.DevInst = kSimDevInstBase + static_cast<std::uint32_t>(i);
    disk.instanceId = scanners[i].instanceId;
    if (!scanners[i].blocked) disk.deviceNumber = static_cast<std::uint32_t>(i + 1);
    snapshot.interfaces.push_back(std::move(disk));
  }
  for (char16_t letter = u'A'; letter <= u'Z'; ++letter) {
    for (std::size_t i = 0; i < scanners.size(); ++i) {
      if (scanners[i].driveLetter != letter) continue;
      SnapshotRoot root;
      root.root = std::u16string{letter, u':', u'\\'};
      root.type = kDriveRemovable;
      root.deviceNumber = static_cast<std::uint32_t>(i + 1);
      snapshot.roots.push_back(std::move(root));
      break;
    }
  }
  return snapshot;
}
