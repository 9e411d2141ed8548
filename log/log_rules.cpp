#include "log/log_rules.h"

#include <algorithm>
#include <cstdio>

namespace {

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameFolded(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return FoldAscii(x) == FoldAscii(y);
         });
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

std::string FormatLogLine(const LogTime& time, std::string_view event) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02d ", time.year, time.month, time.day, time.hour,
                time.minute, time.second);
  while (!event.empty() && (event.back() == '\n' || event.back() == '\r')) event.remove_suffix(1);
  std::string line = stamp;
  line.reserve(line.size() + event.size() + 2);
  for (char c : event) line += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
  return line + "\r\n";
}

bool LogNeedsRotation(std::uint64_t fileBytes, std::uint64_t lineBytes) {
  return fileBytes > 0 && fileBytes + lineBytes > kLogRotateBytes;
}

std::string LogAppendText(const LogTime& time, std::string_view event, std::uint64_t lostLines,
                          std::string_view lostCause, std::string_view restartCause) {
  std::string text;
  // Support reads the file from its top: the restart first, as the cause of
  // the lines missing above everything else.
  if (!restartCause.empty()) {
    text += FormatLogLine(time, "log: the file was begun again, its earlier lines are lost: " +
                                    std::string(kOlderLogFileName) + " cannot be replaced: " +
                                    std::string(restartCause));
  }
  if (lostLines > 0) {
    text += FormatLogLine(time, "log: " + std::to_string(lostLines) + (lostLines == 1 ? " line" : " lines") +
                                    " before this one could not be written (the last: " + std::string(lostCause) +
                                    ")");
  }
  return text + FormatLogLine(time, event);
}

std::string HidePrivateFolders(std::string_view text,
                               std::vector<std::pair<std::string, std::string>> folderAndPlaceholder) {
  for (auto& [folder, placeholder] : folderAndPlaceholder) {
    while (!folder.empty() && IsSeparator(folder.back())) folder.pop_back();
  }
  std::stable_sort(folderAndPlaceholder.begin(), folderAndPlaceholder.end(),
                   [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });

  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    bool replaced = false;
    for (const auto& [folder, placeholder] : folderAndPlaceholder) {
      if (folder.empty() || text.size() - i < folder.size()) continue;
      const std::size_t end = i + folder.size();
      if (!SameFolded(text.substr(i, folder.size()), folder)) continue;
      if (end < text.size() && !IsSeparator(text[end])) continue;
      out += placeholder;
      i = end;
      replaced = true;
      break;
    }
    if (!replaced) out += text[i++];
  }
  return out;
}
