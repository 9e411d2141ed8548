#include "app/win/dll_search.h"

#include "core/win/system_dlls.h"
#include "core/win/text.h"
#include "log/win/log.h"

namespace {

void LogLoadFailure(const wchar_t* path, DWORD error) {
  LogFailure("DLL search: %s cannot be loaded: %s", AnsiFromWide(path).c_str(), ErrorText(error).c_str());
}

}  // namespace

void SecureDllSearch() {
  const sysdll::DllSearch search = sysdll::RestrictDllSearchToSystemFolder(LogLoadFailure);
  if (search.systemFolderOnly)
    LogEvent("DLL search: system folder only");
  else
    LogEvent("DLL search: old loader, %d system DLLs preloaded", search.preloaded);
}
