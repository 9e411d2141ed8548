// The log file under Wine: rotation at the limit, a folder made when
// missing, a failing file that leaves the caller's error code alone, and
// two processes appending at once.
#include "log/win/log.h"

#include <setupapi.h>

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "core/win/handles.h"
#include "log/log_rules.h"
#include "testing/test_files.h"

namespace {

class LogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t saved[MAX_PATH] = {};
    GetEnvironmentVariableW(L"APPDATA", saved, MAX_PATH);
    saved_ = saved;
    SetEnvironmentVariableW(L"APPDATA", root_.path().c_str());
    SetLogFolder(root_.Child(L"Zor70_Modules"));
  }
  void TearDown() override { SetEnvironmentVariableW(L"APPDATA", saved_.c_str()); }

  std::wstring LogPath(const wchar_t* name = L"zormanager.log") const {
    return root_.Child(L"Zor70_Modules\\") + name;
  }
  std::string Read(const wchar_t* name = L"zormanager.log") const { return zortest::FileText(LogPath(name)); }

  zortest::TempDir root_{L"log"};
  std::wstring saved_;
};

const std::regex kStamp(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d )");

TEST_F(LogFileTest, FolderIsMadeAndTheErrorCodeKept) {
  SetLastError(ERROR_INVALID_FUNCTION);
  LogEvent("first %s %d", "event", 1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
  const std::string log = Read();
  ASSERT_EQ(log.size(), 20u + 13u + 2u);
  EXPECT_TRUE(std::regex_search(log.substr(0, 20), kStamp));
  EXPECT_EQ(log.substr(20), "first event 1\r\n");

  // A log that cannot be opened (a folder of that name) is skipped silently,
  // and the caller's error code survives that too.
  ASSERT_TRUE(DeleteFileW(LogPath().c_str()));
  ASSERT_TRUE(CreateDirectoryW(LogPath().c_str(), nullptr));
  SetLastError(ERROR_FILE_NOT_FOUND);
  LogFailure("unpack: archive x cannot be opened");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(LogFileTest, RotatesWhenTheNextLineWouldPassTheLimit) {
  LogEvent("make the folder");
  const std::string line = "2000-01-01T00:00:00 x\r\n";   // the size every "x" line has
  // Exactly at the limit after the line: no rotation.
  const std::string fits(kLogRotateBytes - line.size(), 'a');
  ASSERT_TRUE(zortest::WriteWholeFile(LogPath(), fits));
  ASSERT_TRUE(zortest::WriteWholeFile(LogPath(L"zormanager.log.1"), "older"));
  LogEvent("x");
  EXPECT_EQ(Read().size(), kLogRotateBytes);
  EXPECT_EQ(Read(L"zormanager.log.1"), "older");

  // One byte more: the full file replaces the older one and a new one begins.
  const std::string full(kLogRotateBytes - line.size() + 1, 'b');
  ASSERT_TRUE(zortest::WriteWholeFile(LogPath(), full));
  LogEvent("x");
  EXPECT_TRUE(Read(L"zormanager.log.1") == full);
  EXPECT_EQ(Read().size(), line.size());
  EXPECT_EQ(Read().substr(19), " x\r\n");

  // An older file that cannot be replaced (held open by a viewer; Wine
  // replaces a read-only one): the log is begun again, saying why, and keeps
  // the newest lines, under its cap.
  ASSERT_TRUE(zortest::WriteWholeFile(LogPath(), full));
  const FileHandle viewer(CreateFileW(LogPath(L"zormanager.log.1").c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(viewer);
  LogEvent("x");
  LogFailure("y");
  EXPECT_TRUE(Read(L"zormanager.log.1") == full);
  ASSERT_LT(Read().size(), 1000u) << "the older lines stayed, the newer ones are lost";
  EXPECT_TRUE(std::regex_match(Read(), std::regex("\\S+ log: the file was begun again, its earlier lines are lost: "
                                                  "zormanager.log.1 cannot be replaced: error \\d+ \\(ERROR_[A-Z_]+\\)"
                                                  "\r\n\\S+ x\r\n\\S+ y\r\n")))
      << Read();
}

// Lines lost while another program held the writers' lock: the next line
// written says how many, and why.
TEST_F(LogFileTest, TheLineAfterLostOnesCountsThem) {
  LogEvent("first");
  {
    const FileHandle holder(CreateFileW(LogPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    OVERLAPPED beyond{};
    beyond.OffsetHigh = 0x40000000;
    ASSERT_TRUE(LockFileEx(holder.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &beyond));
    LogEvent("lost");
    LogFailure("lost too");
  }
  LogEvent("next");
  LogEvent("last");
  EXPECT_TRUE(std::regex_match(Read(), std::regex("\\S+ first\r\n\\S+ log: 2 lines before this one could not be "
                                                  "written \\(the last: another writer held the file's lock for "
                                                  "longer than 4 ms\\)\r\n\\S+ next\r\n\\S+ last\r\n")))
      << Read();
}

// The debugger gets each failure line, its end included, in one message.
std::vector<std::string> gDebuggerTexts;
LONG CALLBACK SeeDebuggerText(EXCEPTION_POINTERS* exception) {
  const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
  if (record.ExceptionCode == DBG_PRINTEXCEPTION_C && record.NumberParameters >= 2)
    gDebuggerTexts.emplace_back(reinterpret_cast<const char*>(record.ExceptionInformation[1]));
  return EXCEPTION_CONTINUE_SEARCH;
}

TEST_F(LogFileTest, AFailureIsOneDebuggerMessage) {
  void* const handler = AddVectoredExceptionHandler(1, SeeDebuggerText);
  ASSERT_NE(handler, nullptr);
  LogFailure("download: %s\n", "cut");
  LogFailure("%s", std::string(2000, 'z').c_str());
  RemoveVectoredExceptionHandler(handler);
  ASSERT_EQ(gDebuggerTexts.size(), 2u);
  EXPECT_EQ(gDebuggerTexts[0], "download: cut\n");
  EXPECT_EQ(gDebuggerTexts[1], std::string(1022, 'z') + "\n");
  EXPECT_EQ(LastFailure(), std::string(1022, 'z'));
}

// The errors each failure path can return have their names: the files and
// folders (a USB disk pulled out or failing, an antivirus or a quota refusing
// a write), discovery's SetupAPI and device calls, the one WinINet request
// and its proxy. A number without a name leaves support to look it up.
TEST(ErrorText, NamesWhatTheFailurePathsReturn) {
  EXPECT_EQ(ErrorText(ERROR_DISK_FULL), "error 112 (ERROR_DISK_FULL)");
  EXPECT_EQ(ErrorText(4242), "error 4242");
  const DWORD files[] = {2, 3, 5, 15, 17, 18, 19, 21, 23, 27, 29, 30, 31, 32, 33, 39, 55, 80, 82, 112, 121, 123, 145, 206,
                         225, 226, 267, 433, 1005, 1006, 1110, 1112, 1117, 1167, 1224, 1295, 1392, 1393};
  const DWORD system[] = {1, 8, 14, 50, 87, 122, 126, 127, 193, 259, 1004, 1114, 1400, 1407, 1450, 1784, 1816,
                          ERROR_NO_SUCH_DEVINST, ERROR_INVALID_DEVINST_NAME, ERROR_DEVICE_INTERFACE_REMOVED,
                          ERROR_NO_SUCH_DEVICE_INTERFACE};
  const DWORD wininet[] = {12001, 12002, 12003, 12004, 12005, 12006, 12007, 12012, 12017, 12019, 12020, 12029,
                           12030, 12031, 12032, 12033, 12150, 12152, 12156, 12157, 12163, 12165, 12166, 12167};
  for (const auto& path : {std::vector<DWORD>(std::begin(files), std::end(files)),
                           std::vector<DWORD>(std::begin(system), std::end(system)),
                           std::vector<DWORD>(std::begin(wininet), std::end(wininet))}) {
    for (DWORD code : path) EXPECT_TRUE(std::regex_match(ErrorText(code), std::regex(R"(error \d+ \(ERROR_\w+\))"))) << code;
  }
}

// Started twice by the test below with ZOR_LOG_WRITER set; not a test of its own.
TEST(LogWriters, DISABLED_Writer) {
  wchar_t id[8] = {};
  ASSERT_NE(GetEnvironmentVariableW(L"ZOR_LOG_WRITER", id, 8), 0u);
  wchar_t appData[MAX_PATH] = {};
  ASSERT_NE(GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH), 0u);
  SetLogFolder(std::wstring(appData) + L"\\Zor70_Modules");
  for (int i = 0; i < 400; ++i) {
    LogEvent("writer %c line %d %s", static_cast<char>(id[0]), i, std::string(i % 97 + 1, 'x').c_str());
  }
}

TEST_F(LogFileTest, TwoProcessesAppendingAtOnceLeaveOnlyWholeLines) {
  wchar_t self[MAX_PATH] = {};
  ASSERT_NE(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  std::vector<PROCESS_INFORMATION> writers;
  for (const wchar_t* id : {L"A", L"B"}) {
    SetEnvironmentVariableW(L"ZOR_LOG_WRITER", id);
    std::wstring commandLine = L"\"" + std::wstring(self) +
                               L"\" --gtest_filter=LogWriters.DISABLED_Writer --gtest_also_run_disabled_tests";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process));
    CloseHandle(process.hThread);
    writers.push_back(process);
  }
  SetEnvironmentVariableW(L"ZOR_LOG_WRITER", nullptr);
  for (const PROCESS_INFORMATION& process : writers) {
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 120000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(process.hProcess);
  }

  // Every line whole, and each writer's lines in its own order. A line that
  // waited too long for the other writer's lock is dropped, not torn.
  const std::regex whole(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d writer ([AB]) line (\d+) (x+))");
  const std::regex lostNote(R"(\S+ log: \d+ lines? before this one could not be written .*)");
  std::map<char, int> next, count;
  std::istringstream lines(Read());
  std::string text;
  while (std::getline(lines, text)) {
    ASSERT_FALSE(text.empty());
    ASSERT_EQ(text.back(), '\r') << text;
    text.pop_back();
    std::smatch match;
    if (std::regex_match(text, lostNote)) continue;   // counts lines the other writer's lock cost
    ASSERT_TRUE(std::regex_match(text, match, whole)) << Read().substr(0, 3000);
    const char writer = match[1].str()[0];
    const int number = std::stoi(match[2].str());
    ASSERT_GE(number, next[writer]) << text;
    ASSERT_EQ(match[3].length(), number % 97 + 1) << text;
    next[writer] = number + 1;
    ++count[writer];
  }
  EXPECT_GE(count['A'], 200);
  EXPECT_GE(count['B'], 200);
}

}  // namespace
