#include "log/log_rules.h"

#include <gtest/gtest.h>

namespace {

TEST(LogLine, TimeThenEventOnOneLine) {
  const LogTime time{2014, 5, 2, 9, 4, 7};
  EXPECT_EQ(FormatLogLine(time, "start"), "2014-05-02T09:04:07 start\r\n");
  // A debugger text's own line end is not doubled; breaks inside and other
  // control bytes cannot start a line of their own.
  EXPECT_EQ(FormatLogLine(time, "Cannot open 'a'\n"), "2014-05-02T09:04:07 Cannot open 'a'\r\n");
  EXPECT_EQ(FormatLogLine(time, "one\r\ntwo\tthree\x7f\r\n\n"), "2014-05-02T09:04:07 one  two three \r\n");
  EXPECT_EQ(FormatLogLine(time, ""), "2014-05-02T09:04:07 \r\n");
  // UTF-8 bytes pass unchanged.
  EXPECT_EQ(FormatLogLine({2024, 12, 31, 23, 59, 59}, "«Модуль не найден.»"),
            "2024-12-31T23:59:59 «Модуль не найден.»\r\n");
}

TEST(LogRotation, ALineThatWouldPassTheLimitGoesIntoANewFile) {
  EXPECT_FALSE(LogNeedsRotation(0, 40));
  EXPECT_FALSE(LogNeedsRotation(kLogRotateBytes - 40, 40));   // exactly at the limit
  EXPECT_TRUE(LogNeedsRotation(kLogRotateBytes - 39, 40));
  EXPECT_TRUE(LogNeedsRotation(kLogRotateBytes + 5, 1));
  // An empty file takes even a line longer than the limit.
  EXPECT_FALSE(LogNeedsRotation(0, kLogRotateBytes + 1));
  EXPECT_EQ(kLogRotateBytes, 1048576u);
}

// The notes an append carries come first, the restart above all: what the
// lines missing above them lost, in the order support reads.
TEST(LogAppend, NotesBeforeTheEvent) {
  const LogTime t{2014, 5, 2, 9, 4, 7};
  EXPECT_EQ(LogAppendText(t, "x", 0, "", ""), FormatLogLine(t, "x"));
  EXPECT_EQ(LogAppendText(t, "x", 1, "out of memory", ""),
            FormatLogLine(t, "log: 1 line before this one could not be written (the last: out of memory)") +
                FormatLogLine(t, "x"));
  EXPECT_EQ(LogAppendText(t, "x", 3, "c", "error 5"),
            FormatLogLine(t, "log: the file was begun again, its earlier lines are lost: zormanager.log.1 cannot be "
                             "replaced: error 5") +
                FormatLogLine(t, "log: 3 lines before this one could not be written (the last: c)") + FormatLogLine(t, "x"));
}

TEST(LogPrivacy, ProfileFoldersAreWrittenAsTheirVariables) {
  const std::vector<std::pair<std::string, std::string>> folders = {
      {"C:\\Users\\ivanov", "%USERPROFILE%"},
      {"C:\\Users\\ivanov\\AppData\\Roaming\\", "%APPDATA%"},
      {"C:\\Users\\ivanov\\AppData\\Local\\Temp", "%TEMP%"},
      {"", "%EMPTY%"}};
  EXPECT_EQ(HidePrivateFolders("Cannot open 'C:\\Users\\ivanov\\AppData\\Roaming\\Zor70_Modules\\DIAG.zip'", folders),
            "Cannot open '%APPDATA%\\Zor70_Modules\\DIAG.zip'");
  // Case as Windows ignores it; every occurrence; a folder at the text's end.
  EXPECT_EQ(HidePrivateFolders("c:\\users\\IVANOV\\appdata\\local\\temp\\ZorManager\\ and C:\\Users\\ivanov", folders),
            "%TEMP%\\ZorManager\\ and %USERPROFILE%");
  // Only whole folder names: another user whose name starts alike keeps his.
  EXPECT_EQ(HidePrivateFolders("C:\\Users\\ivanova\\x", folders), "C:\\Users\\ivanova\\x");
  EXPECT_EQ(HidePrivateFolders("E:\\Program Files", folders), "E:\\Program Files");
}

}  // namespace
