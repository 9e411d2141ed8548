// The wrappers of a DLL the loader cannot load (msimg32, disabled for this
// test's process): each call fails with the loader's own error, and the DLL
// is reported once, with its path, at the start's load.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/win/system_dlls.h"

namespace {

std::vector<std::pair<std::wstring, DWORD>> gReports;

void Record(const wchar_t* path, DWORD error) { gReports.emplace_back(path, error); }

TEST(SystemDlls, ADllThatCannotBeLoadedKeepsTheLoadersErrorAndIsReportedOnce) {
  const sysdll::DllSearch search = sysdll::RestrictDllSearchToSystemFolder(Record);
  EXPECT_TRUE(search.systemFolderOnly);
  for (int call = 0; call < 2; ++call) {
    SetLastError(0);
    EXPECT_FALSE(sysdll::TransparentBlt(nullptr, 0, 0, 1, 1, nullptr, 0, 0, 1, 1, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  }
  ASSERT_EQ(gReports.size(), 1u);
  EXPECT_NE(gReports[0].first.find(L"\\msimg32.dll"), std::wstring::npos);
  EXPECT_EQ(gReports[0].second, static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

}  // namespace
