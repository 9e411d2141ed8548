// msimg32, disabled for this test's process, stands for a DLL the loader
// cannot load: its wrapper keeps the loader's error, and it is reported once.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/win/system_dlls.h"

std::vector<std::wstring> gReports;

TEST(SystemDlls, ADllThatCannotBeLoadedKeepsTheLoadersErrorAndIsReportedOnce) {
  EXPECT_TRUE(sysdll::RestrictDllSearchToSystemFolder([](const wchar_t* path, DWORD error) {
                gReports.push_back(std::wstring(path) + L" " + std::to_wstring(error));
              }).systemFolderOnly);
  for (int call = 0; call < 2; ++call) {
    EXPECT_FALSE(sysdll::TransparentBlt(nullptr, 0, 0, 1, 1, nullptr, 0, 0, 1, 1, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  }
  ASSERT_EQ(gReports.size(), 1u);
  EXPECT_NE(gReports[0].find(L"\\msimg32.dll 126"), std::wstring::npos) << gReports[0];
}
