// Install requests end to end: the queue's order, the progress dialog, the
// final messages, cancel, failures, and the requests refused while busy.
#include <windows.h>

#include <commctrl.h>

#include "app/tests/win/app_fixture.h"
#include "testing/log_causes.h"
#include "worker/messages.h"

namespace apptest {
namespace {

using Strings = std::vector<std::string>;

class InstallTest : public AppTest {
 protected:
  // Application modules with their archives: NAME.z70 in NAME.zip.
  void Publish(const Strings& modules, const Strings& systemModules = {}) {
    std::vector<std::string> lines;
    for (const std::string& name : modules) {
      lines.push_back(PageLine(name));
      ServePackage(name, StoredZip({{name + ".z70", "module " + name}, {"readme.txt", "not for the scanner"}}));
    }
    // System components at version 2.0.7, their files with a matching header.
    for (const std::string& name : systemModules) {
      lines.push_back(ModuleLine("2014-04-01", "2.0.7", name + ".sys", name));
      ServePackage(name, StoredZip({{name + ".sys", zortest::SystemFile(2, 0, 7)}}));
    }
    SetPage(CataloguePage(lines));
  }

  bool OnScanner(const std::string& file) { return zortest::FileExists(ScannerFile(L'R', zortest::Widen(file))); }

  // Publishes the modules, starts and installs them with the first one's
  // download held: the progress dialog stays open until LetGo. Null when it
  // did not open.
  HWND OpenHeldProgressDialog(const Strings& modules) {
    Publish(modules);
    return StartAppAndWait() ? DownloadHeld(modules[0]) : nullptr;
  }

  bool WaitForBarPosition(LPARAM position) {
    return WaitFor([&] { return Send(GetDlgItem(ProgressDialog(), IDC_WAIT_PROGRESS), PBM_GETPOS) == position; });
  }
};

TEST_F(InstallTest, DownloadCommandInstallsEveryNewModuleTopRowFirst) {
  Publish({"DIAG_A", "PRG_B", "DIAG_C"}, {"boot_manager"});
  PutOnScanner(L'R', L"PRG_B.z70", "held");
  ASSERT_TRUE(StartAppAndWait());
  ASSERT_TRUE(DownloadEnabled());

  Command(IDM_INSTALL_ALL);  // "Загрузить все новые модули"
  ASSERT_TRUE(WaitForBoxes(1));
  EXPECT_EQ(PackageRequests(), (Strings{"DIAG_A", "DIAG_C", "boot_manager"}));
  const BoxRecord box = Boxes()[0];
  EXPECT_EQ(box.text, L"Загрузка произведена успешно.");
  EXPECT_EQ(box.caption, L"");
  EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_TRUE(OnScanner("DIAG_A.z70"));
  EXPECT_TRUE(OnScanner("DIAG_C.z70"));
  EXPECT_TRUE(OnScanner("boot_manager.sys"));
  EXPECT_FALSE(OnScanner("readme.txt"));

  // The refreshes after the installations leave nothing new.
  ASSERT_TRUE(WaitForIdle());
  EXPECT_TRUE(WaitFor([&] { return ProgressDialog() == nullptr; }));
  for (int row = 0; row < Rows(); ++row) EXPECT_EQ(Cell(row, 1), "") << row;
  EXPECT_FALSE(DownloadEnabled());
}

TEST_F(InstallTest, TwoModulesAdvanceTheBarToTwoThenSucceed) {
  HoldPackage("PRG_B");  // the second download waits too
  HWND dialog = OpenHeldProgressDialog({"DIAG_A", "PRG_B"});
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(Text(GetDlgItem(dialog, IDC_WAIT_LABEL)), L"Обновляется модуль: ");
  EXPECT_EQ(Text(GetDlgItem(dialog, IDC_WAIT_MODULE_NAME)), L"DIAG_A");
  EXPECT_EQ(Text(GetDlgItem(dialog, IDC_WAIT_KILOBYTES)), L"");  // not "0 KB" before the first report
  HWND bar = GetDlgItem(dialog, IDC_WAIT_PROGRESS);
  EXPECT_TRUE(IsWindowVisible(bar));
  EXPECT_EQ(Send(bar, PBM_GETRANGE, TRUE), 0);
  EXPECT_EQ(Send(bar, PBM_GETRANGE, FALSE), 2);
  EXPECT_EQ(Send(bar, PBM_GETPOS), 0);
  EXPECT_EQ(GetWindowLongPtrW(dialog, DWLP_USER), 0);

  LetGo("DIAG_A");
  ASSERT_TRUE(WaitForPackageRequests(2));
  EXPECT_TRUE(WaitForBarPosition(1));
  EXPECT_EQ(Text(GetDlgItem(dialog, IDC_WAIT_MODULE_NAME)), L"PRG_B");
  LetGo("PRG_B");
  ASSERT_TRUE(WaitForBoxes(1));
  EXPECT_EQ(Boxes()[0].text, L"Загрузка произведена успешно.");
  EXPECT_EQ(Boxes()[0].caption, L"");
  EXPECT_FALSE(IsWindow(dialog));

  std::vector<LPARAM> positions;
  std::vector<LPARAM> ranges;
  for (const BarMessage& m : BarMessages()) {
    if (m.message == PBM_SETPOS) positions.push_back(static_cast<LPARAM>(m.wParam));
    if (m.message == PBM_SETRANGE) ranges.push_back(m.lParam);
  }
  EXPECT_EQ(positions, (std::vector<LPARAM>{0, 1, 2}));
  EXPECT_EQ(ranges, (std::vector<LPARAM>{MAKELPARAM(0, 2)}));
}

TEST_F(InstallTest, ProgressReportsShowKilobytesOrTheCache) {
  HWND dialog = OpenHeldProgressDialog({"DIAG_A"});
  ASSERT_NE(dialog, nullptr);
  Send(Main(), WM_CT_PROGRESS, 1536, 0);
  EXPECT_EQ(Text(GetDlgItem(dialog, IDC_WAIT_KILOBYTES)), L"1536 KB");
  Send(Main(), WM_CT_PROGRESS, 1536, 1);
  EXPECT_EQ(Text(GetDlgItem(dialog, IDC_WAIT_KILOBYTES)), L"Был загружен ранее");
  LetGo("DIAG_A");
  ASSERT_TRUE(WaitForBoxes(1));
}

// The label ends where the module name begins, and both texts fit their
// controls: the name is never painted over.
TEST_F(InstallTest, ModuleNameSitsBesideItsLabelUnclipped) {
  HWND dialog = OpenHeldProgressDialog({"ENGINE_DIAGNOSTICS"});
  ASSERT_NE(dialog, nullptr);
  HWND label = GetDlgItem(dialog, IDC_WAIT_LABEL);
  HWND name = GetDlgItem(dialog, IDC_WAIT_MODULE_NAME);
  const auto box = [dialog](HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  const auto textWidth = [this](HWND control) {
    const std::wstring text = Text(control);
    HDC dc = GetDC(control);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(Send(control, WM_GETFONT)));
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return extent.cx;
  };
  EXPECT_EQ(Text(label), L"Обновляется модуль: ");
  EXPECT_EQ(Text(name), L"ENGINE_DIAGNOSTICS");
  const RECT labelBox = box(label), nameBox = box(name);
  EXPECT_EQ(labelBox.right, nameBox.left);
  EXPECT_EQ(labelBox.top, nameBox.top);
  EXPECT_GE(labelBox.right - labelBox.left, textWidth(label));
  EXPECT_GE(nameBox.right - nameBox.left, textWidth(name));
  EXPECT_LE(nameBox.right, box(GetDlgItem(dialog, IDCANCEL)).left);
  LetGo("ENGINE_DIAGNOSTICS");
  ASSERT_TRUE(WaitForBoxes(1));
}

// The full bar stays up for a moment, but the window's thread goes on
// handling messages meanwhile: what reaches it during the pause still
// finds the dialog open.
TEST_F(InstallTest, PauseBeforeTheFinishedDialogGoesDoesNotBlockTheWindow) {
  Publish({"DIAG_A"});
  ASSERT_TRUE(StartAppAndWait());
  HWND main = Main();
  AtBarPosition(1, [main] { PostMessageW(main, WM_CT_PROGRESS, 4321, 0); });
  Command(IDC_DOWNLOAD_BUTTON);
  ASSERT_TRUE(WaitForBoxes(1));
  EXPECT_EQ(Boxes()[0].text, L"Загрузка произведена успешно.");
  const std::vector<std::wstring> texts = KilobyteTexts();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), L"4321 KB");
}

// Once the last module has reported, nothing is left to cancel or to
// switch to: Cancel and a scanner button in the pause are ignored.
TEST_F(InstallTest, CancelAndScannerButtonInThePauseAfterTheLastModuleAreIgnored) {
  SetScanners({ScannerLine(kSerialA, 'R'), ScannerLine(kSerialB, 'S')});
  Publish({"DIAG_A"});
  ASSERT_TRUE(StartAppAndWait());
  const int pages = PageRequests();
  HWND main = Main();
  AtBarPosition(1, [this, main] {
    PostMessageW(ProgressDialog(), WM_COMMAND, IDCANCEL, 0);
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_SCANNER_BUTTON_FIRST + 1, 0), 0);
  });
  Command(IDC_DOWNLOAD_BUTTON);
  ASSERT_TRUE(WaitForBoxes(1));
  EXPECT_EQ(Boxes()[0].text, L"Загрузка произведена успешно.");
  ASSERT_TRUE(WaitForIdle());
  EXPECT_EQ(MarkedScanner(), 0);
  EXPECT_EQ(PageRequests(), pages + 1);  // the install's own refresh
  EXPECT_EQ(LogText().find("cancelled by the user"), std::string::npos);
}

TEST_F(InstallTest, CancelDuringTheFirstOfThreeCompletesItAndDropsTheRest) {
  HWND dialog = OpenHeldProgressDialog({"DIAG_A", "PRG_B", "DIAG_C"});
  ASSERT_NE(dialog, nullptr);

  ASSERT_TRUE(CancelDownload(dialog));  // no second cancel: the button is disabled
  EXPECT_EQ(Text(GetDlgItem(dialog, IDC_WAIT_MODULE_NAME)), L"загрузка отменяется...");
  EXPECT_EQ(GetWindowLongPtrW(dialog, DWLP_USER), 2);
  EXPECT_TRUE(IsWindow(dialog));  // it stays until the job reports

  LetGo("DIAG_A");
  ASSERT_TRUE(WaitForBoxes(1));
  EXPECT_EQ(Boxes()[0].text, L"Загрузка модуля отменена.");
  EXPECT_EQ(Boxes()[0].caption, L"");
  EXPECT_EQ(Boxes()[0].icon, static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_EQ(PackageRequests(), (Strings{"DIAG_A"}));
  EXPECT_TRUE(OnScanner("DIAG_A.z70"));
  EXPECT_FALSE(OnScanner("PRG_B.z70"));
  EXPECT_FALSE(OnScanner("DIAG_C.z70"));
  EXPECT_TRUE(WaitForIdle());
  EXPECT_TRUE(DownloadEnabled());  // two modules still new
  EXPECT_NE(LogText().find("cancelled by the user, untried: PRG_B, DIAG_C"), std::string::npos) << LogText();
}

TEST_F(InstallTest, CancelThenFailureShowsTheErrorAndNoCancelMessage) {
  HWND dialog = OpenHeldProgressDialog({"DIAG_A", "PRG_B"});
  ASSERT_NE(dialog, nullptr);
  ServePackage("DIAG_A", "this is no zip archive");  // served once let go
  ASSERT_TRUE(CancelDownload(dialog));
  LetGo("DIAG_A");
  ASSERT_TRUE(WaitForBoxes(1));
  EXPECT_EQ(Boxes()[0].text, L"Ошибка загрузки модуля.");
  EXPECT_EQ(Boxes()[0].icon, static_cast<UINT>(MB_ICONERROR));
  Settle();
  EXPECT_EQ(Boxes().size(), 1u);
  EXPECT_TRUE(zortest::Logged(LogText(), zortest::Cause::kCancelled));
  EXPECT_NE(LogText().find("install queue: stopped at DIAG_A: it failed with code 3; untried: PRG_B"), std::string::npos);
}

// Each failing install result code stops the queue with its own message.
TEST_F(InstallTest, PackageMissingOnTheServerStopsTheQueue) {
  Publish({"DIAG_A", "PRG_B"});
  ServePackage("DIAG_A", "");  // served empty: the download fails
  ASSERT_TRUE(StartAppAndWait());
  Command(IDC_DOWNLOAD_BUTTON);
  ASSERT_TRUE(WaitForBoxes(1));
  const BoxRecord box = Boxes()[0];
  EXPECT_EQ(box.text, L"Ошибка подключения к серверу загрузки.");
  EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONERROR));
  // A null caption: the system's own, neither empty nor the program's title.
  EXPECT_NE(box.caption, L"");
  EXPECT_NE(box.caption, L"Управление сканером ЗОР [v1.4]");
  EXPECT_EQ(PackageRequests(), (Strings{"DIAG_A"}));
  EXPECT_TRUE(WaitFor([&] { return ProgressDialog() == nullptr; }));
}

TEST_F(InstallTest, BrokenArchiveStopsTheQueue) {
  Publish({"DIAG_A", "PRG_B"});
  ServePackage("DIAG_A", "PK this is no zip archive");
  ASSERT_TRUE(StartAppAndWait());
  Command(IDC_DOWNLOAD_BUTTON);
  ASSERT_TRUE(WaitForBoxes(1));
  EXPECT_EQ(Boxes()[0].text, L"Ошибка загрузки модуля.");
  EXPECT_EQ(Boxes()[0].icon, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(PackageRequests(), (Strings{"DIAG_A"}));
}

TEST_F(InstallTest, ScannerPulledOutDuringTheQueueStopsIt) {
  ASSERT_NE(OpenHeldProgressDialog({"DIAG_A", "PRG_B"}), nullptr);
  // The refresh after the first installation finds no scanner any more.
  SetScanners({});
  LetGo("DIAG_A");
  ASSERT_TRUE(WaitForBoxes(1));
  EXPECT_EQ(Boxes()[0].text, L"Сканер был отключен от порта USB.");
  EXPECT_EQ(Boxes()[0].icon, static_cast<UINT>(MB_ICONERROR));
  // The second package is fetched before the scanner is looked for.
  EXPECT_EQ(PackageRequests(), (Strings{"DIAG_A", "PRG_B"}));
  EXPECT_TRUE(OnScanner("DIAG_A.z70"));
  EXPECT_FALSE(OnScanner("PRG_B.z70"));
}

TEST_F(InstallTest, ModuleGoneFromTheCatalogueStopsTheQueue) {
  ASSERT_NE(OpenHeldProgressDialog({"DIAG_A", "PRG_B"}), nullptr);
  // The refresh after the first installation loads a catalogue without PRG_B.
  SetPage(CataloguePage({PageLine("DIAG_A")}));
  LetGo("DIAG_A");
  ASSERT_TRUE(WaitForBoxes(1));
  EXPECT_EQ(Boxes()[0].text, L"Модуль не найден.");
  EXPECT_EQ(Boxes()[0].icon, static_cast<UINT>(MB_ICONERROR));
}

TEST_F(InstallTest, NothingNewDisablesTheButtonAndTheCommandDoesNothing) {
  Publish({"DIAG_A"});
  PutOnScanner(L'R', L"DIAG_A.z70", "held");
  ASSERT_TRUE(StartAppAndWait());
  EXPECT_FALSE(DownloadEnabled());
  Command(IDM_INSTALL_ALL);
  Command(IDC_DOWNLOAD_BUTTON);
  DoubleClick(0);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(ProgressDialog(), nullptr);
  EXPECT_TRUE(PackageRequests().empty());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(InstallTest, DoubleClickQueuesTheNewSpecialModulesFirst) {
  // Rows top to bottom: DIAG_A, X, boot_manager, qm7upd (system list last).
  Publish({"DIAG_A", "X"}, {"boot_manager", "qm7upd"});
  ASSERT_TRUE(StartAppAndWait());
  ASSERT_EQ(Rows(), 4);
  DoubleClick(1);
  ASSERT_TRUE(WaitForBoxes(1));
  EXPECT_EQ(PackageRequests(), (Strings{"qm7upd", "boot_manager", "X"}));
  EXPECT_EQ(Boxes()[0].text, L"Загрузка произведена успешно.");
  EXPECT_FALSE(OnScanner("DIAG_A.z70"));
}

TEST_F(InstallTest, DoubleClickOnASpecialModuleQueuesItOnce) {
  Publish({"DIAG_A"}, {"boot_manager", "qm7upd"});
  ASSERT_TRUE(StartAppAndWait());
  DoubleClick(1);  // boot_manager
  ASSERT_TRUE(WaitForBoxes(1));
  EXPECT_EQ(PackageRequests(), (Strings{"qm7upd", "boot_manager"}));
}

TEST_F(InstallTest, DoubleClickBesideTheRowsInstallsOnlyTheSpecialModules) {
  Publish({"DIAG_A"}, {"qm7upd"});
  ASSERT_TRUE(StartAppAndWait());
  DoubleClick(-1);
  ASSERT_TRUE(WaitForBoxes(1));
  EXPECT_EQ(PackageRequests(), (Strings{"qm7upd"}));
}

TEST_F(InstallTest, DoubleClickWithoutAnythingToInstallDoesNothing) {
  Publish({"DIAG_A", "PRG_B"});
  PutOnScanner(L'R', L"PRG_B.z70", "held");
  ASSERT_TRUE(StartAppAndWait());
  DoubleClick(1);   // no new release, and no special module
  DoubleClick(-1);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(ProgressDialog(), nullptr);
  EXPECT_TRUE(PackageRequests().empty());
}

TEST_F(InstallTest, SecondRequestWhileBusyIsRefused) {
  HWND dialog = OpenHeldProgressDialog({"DIAG_A", "PRG_B"});
  ASSERT_NE(dialog, nullptr);
  Command(IDM_INSTALL_ALL);
  DoubleClick(1);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(ProgressDialog(), dialog);  // no second dialog
  // Even with the queue emptied by Cancel, the running job keeps requests out.
  ASSERT_TRUE(CancelDownload(dialog));
  Command(IDC_DOWNLOAD_BUTTON);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(ProgressDialog(), dialog);
  LetGo("DIAG_A");
  ASSERT_TRUE(WaitForBoxes(1));
  EXPECT_EQ(PackageRequests(), (Strings{"DIAG_A"}));
}

TEST_F(InstallTest, CloseRefusedWhileQueuedAndHeldDuringTheLastInstall) {
  HoldPackage("PRG_B");  // the second download waits too
  ASSERT_NE(OpenHeldProgressDialog({"DIAG_A", "PRG_B"}), nullptr);

  Send(Main(), WM_CLOSE);  // PRG_B is still queued
  Command(IDM_EXIT);
  ASSERT_TRUE(Settle());
  EXPECT_NE(Main(), nullptr);
  EXPECT_TRUE(Boxes().empty());

  LetGo("DIAG_A");
  ASSERT_TRUE(WaitForPackageRequests(2));
  // PRG_B, the last module, is with the worker: the close waits for it.
  Send(Main(), WM_CLOSE);
  ASSERT_TRUE(Settle());
  EXPECT_NE(Main(), nullptr);
  EXPECT_TRUE(Boxes().empty());

  AnswerBoxes({IDOK, IDYES});
  LetGo("PRG_B");
  ASSERT_TRUE(WaitForAppEnd());
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[0].text, L"Загрузка произведена успешно.");
  EXPECT_TRUE(Boxes()[1].yesNo);  // the eject question, after the job
  EXPECT_TRUE(OnScanner("PRG_B.z70"));
  EXPECT_EQ(EjectLog(), "ejected 1234\n");
}

TEST_F(InstallTest, CloseHeldAfterCancelUntilTheJobReports) {
  HWND dialog = OpenHeldProgressDialog({"DIAG_A", "PRG_B"});
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(CancelDownload(dialog));
  Send(Main(), WM_CLOSE);
  ASSERT_TRUE(Settle());
  EXPECT_NE(Main(), nullptr);

  LetGo("DIAG_A");
  ASSERT_TRUE(WaitForAppEnd());
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[0].text, L"Загрузка модуля отменена.");
  EXPECT_TRUE(Boxes()[1].yesNo);
  EXPECT_TRUE(OnScanner("DIAG_A.z70"));
}

TEST_F(InstallTest, ScannerButtonIgnoredWhileModulesAreQueued) {
  SetScanners({ScannerLine(kSerialA, 'R'), ScannerLine(kSerialB, 'S')});
  Publish({"DIAG_A", "PRG_B"});
  ASSERT_TRUE(StartAppAndWait());
  const int pages = PageRequests();
  ASSERT_NE(DownloadHeld("DIAG_A"), nullptr);
  Command(IDC_SCANNER_BUTTON_FIRST + 1);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(MarkedScanner(), 0);
  EXPECT_EQ(ConnectionDialog(), nullptr);
  LetGo("DIAG_A");
  ASSERT_TRUE(WaitForBoxes(1));
  // The two installs' refreshes, and no other.
  EXPECT_TRUE(WaitForIdle());
  EXPECT_EQ(PageRequests(), pages + 2);
  EXPECT_TRUE(OnScanner("DIAG_A.z70"));
  EXPECT_FALSE(zortest::FileExists(ScannerFile(L'S', L"DIAG_A.z70")));
}

}  // namespace
}  // namespace apptest
