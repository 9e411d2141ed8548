// A DLL loaded by full path at start that Windows 7 SP1 lacks would fail
// there on every PC; one named twice is a slip.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/system_dll_names.h"

TEST(SystemDllNames, EachIsAWindows7DllNamedOnce) {
  const std::set<std::wstring> windows7 = {  // its system folder, without updates
      L"apphelp.dll", L"cfgmgr32.dll", L"clbcatq.dll", L"comctl32.dll", L"cryptbase.dll", L"dwmapi.dll",
      L"msimg32.dll", L"ntmarta.dll", L"oleacc.dll", L"profapi.dll", L"propsys.dll", L"secur32.dll",
      L"setupapi.dll", L"sspicli.dll", L"userenv.dll", L"uxtheme.dll", L"version.dll", L"wininet.dll"};
  std::vector<std::wstring> names(std::begin(sysdll::kServedDlls), std::end(sysdll::kServedDlls));
  names.insert(names.end(), std::begin(sysdll::kOldLoaderDlls), std::end(sysdll::kOldLoaderDlls));
  std::set<std::wstring> seen;
  for (const std::wstring& name : names) {
    EXPECT_EQ(windows7.count(name), 1u) << "not in Windows 7: " << name;
    EXPECT_TRUE(seen.insert(name).second) << "named twice: " << name;
  }
}
