#include "files/win/program_folders.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "core/win/text.h"

namespace {

// `pattern` expanded in the ANSI code page, as the file functions take
// paths; empty when it does not fit a path. The ANSI expansion may ask for
// one byte more than it writes.
std::string ExpandedPath(const std::string& pattern) {
  char expanded[MAX_PATH + 1] = {};
  const DWORD needed = ExpandEnvironmentStringsA(pattern.c_str(), expanded, sizeof expanded);
  if (needed == 0 || needed > sizeof expanded || strnlen(expanded, sizeof expanded) >= MAX_PATH) return {};
  return expanded;
}

// `pattern` expanded in UTF-16, whatever its length; empty when it cannot be.
std::wstring ExpandedWide(const std::wstring& pattern) {
  const DWORD needed = ExpandEnvironmentStringsW(pattern.c_str(), nullptr, 0);
  if (needed == 0) return {};
  std::vector<wchar_t> expanded(needed);
  if (ExpandEnvironmentStringsW(pattern.c_str(), expanded.data(), needed) != needed) return {};
  return expanded.data();
}

std::wstring Environment(const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return value;
}

}  // namespace

ProgramFolders WorkOutProgramFolders() {
  const std::string cache(kModuleCacheFolder);
  const std::wstring wideCache = WideFromAnsi(cache);
  ProgramFolders folders;
  folders.moduleCache = ExpandedPath("%APPDATA%\\" + cache + "\\");
  folders.tempUnpackParent = ExpandedPath("%TEMP%\\" + std::string(kTempUnpackFolder) + "\\");
  const std::wstring appData = Environment(L"APPDATA");
  if (!appData.empty()) folders.log = appData + L"\\" + wideCache;
  folders.explorerTarget = ExpandedWide(L"%APPDATA%\\" + wideCache + L"\\");
  return folders;
}
