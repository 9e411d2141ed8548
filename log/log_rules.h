// The rules of the program's log file, apart from the file work: how a line
// looks, when the file is rotated, and what is kept out of it. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Local wall-clock time of an event, as the system reports it.
struct LogTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Past this size the file is renamed to the older log and a new one begins,
// so the two never take more than twice this.
constexpr std::uint64_t kLogRotateBytes = 1024 * 1024;

// The log lives in the module cache (ProgramFolders::log).
constexpr char kLogFileName[] = "zormanager.log";
constexpr char kOlderLogFileName[] = "zormanager.log.1";

// "2014-05-12T10:00:03 event\r\n": ISO 8601 local time with seconds, a
// space, the event. Line breaks inside the event become spaces and trailing
// ones are dropped, so one event is always one line; other control bytes
// become spaces too.
std::string FormatLogLine(const LogTime& time, std::string_view event);

// True when appending `lineBytes` to a file of `fileBytes` would take it
// past kLogRotateBytes; a file that is still empty is never rotated, so a
// line longer than the limit still gets written.
bool LogNeedsRotation(std::uint64_t fileBytes, std::uint64_t lineBytes);

// What one append writes: the event's line, after a line for each note
// that must come first, all with the same time. `lostLines` lines were
// dropped since this process last wrote one (the last for `lostCause`);
// `restartCause`, when not empty, is why the file was emptied and begun
// again instead of rotated, and then opens it.
std::string LogAppendText(const LogTime& time, std::string_view event, std::uint64_t lostLines,
                          std::string_view lostCause, std::string_view restartCause);

// Replaces each occurrence of a private folder (a case-insensitive match of
// its path, as the environment gives it) by its placeholder, longest folder
// first, so "C:\Users\ivanov\AppData\Roaming\Zor70_Modules\a.zip" becomes
// "%APPDATA%\Zor70_Modules\a.zip" and not "%USERPROFILE%\AppData\...". A
// folder is matched only where it ends at a separator or at the end of the
// text. Empty folders are ignored.
std::string HidePrivateFolders(std::string_view text,
                               std::vector<std::pair<std::string, std::string>> folderAndPlaceholder);
