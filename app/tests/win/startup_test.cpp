// Start-up, the rows and the controls as the first refresh leaves them, the
// connection dialog at start, and closing with the eject question.
#include <windows.h>

#include <commctrl.h>
#include <dbt.h>

#include "app/tests/win/app_fixture.h"
#include "app/win/main_window.h"

namespace apptest {
namespace {

using zortest::Narrow;

const wchar_t kTitle[] = L"Управление сканером ЗОР [v1.4]";

class StartupTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    SetPage(CataloguePage({
        PageLine("DIAG_A", "1.2.3.4"),
        PageLine("PRG_B", "3.0.0.1"),
        ModuleLine("2014-04-01", "2.0.7", "boot_manager.sys", "boot_manager"),
    }));
    PutOnScanner(L'R', L"PRG_B.z70", "old");
  }
};

TEST_F(StartupTest, ShowsTheRowsOfTheFirstRefresh) {
  ASSERT_TRUE(StartAppAndWait());
  EXPECT_EQ(Text(Main()), kTitle);
  ASSERT_EQ(Rows(), 3);
  EXPECT_EQ(Cell(0, 0), "DIAG_A");
  EXPECT_EQ(Cell(0, 1), Narrow(L"Дата 12.05.2014\nВерсия 1.2.3.4"));
  EXPECT_EQ(Cell(1, 0), "PRG_B");
  EXPECT_EQ(Cell(1, 1), "");
  EXPECT_EQ(Cell(2, 0), "boot_manager");
  EXPECT_EQ(Cell(2, 1), Narrow(L"Дата 1.04.2014\nВерсия 2.0.7"));
  EXPECT_EQ(ItemData(0), 1u);
  EXPECT_EQ(ItemData(1), 3u);
  EXPECT_EQ(ItemData(2), 0xFFFFFFFFu);
  EXPECT_TRUE(DownloadEnabled());
  EXPECT_EQ(StatusText(0), L"Онлайн");
  EXPECT_EQ(StatusText(1), L"");
  EXPECT_EQ(ScannerButtons(), 1);
  EXPECT_EQ(MarkedScanner(), 0);

  wchar_t label[100] = {};
  TBBUTTONINFOW info{};
  info.cbSize = sizeof info;
  info.dwMask = TBIF_TEXT | TBIF_BYINDEX;
  info.pszText = label;
  info.cchText = 100;
  Send(Child(IDC_SCANNER_PANEL), TB_GETBUTTONINFOW, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_STREQ(label, L"ЗОР-70\n1234\n15.03.2014");
  EXPECT_EQ(Text(Child(IDC_DOWNLOAD_BUTTON)), L"Загрузить в сканер");
  EXPECT_EQ(Text(Child(IDC_PANEL_CAPTION)), L"Подключение");
}

TEST_F(StartupTest, WindowWidenedDuringCreationAndLaidOut) {
  ASSERT_TRUE(StartAppAndWait());
  HWND main = Main();
  RECT window{};
  GetWindowRect(main, &window);
  POINT end{786, 0};
  ClientToScreen(main, &end);
  EXPECT_EQ(window.right, end.x + 15);
  EXPECT_EQ(window.bottom - window.top, 600);

  RECT client{};
  GetClientRect(main, &client);
  HWND list = Child(IDC_MODULE_LIST);
  RECT listBox{};
  GetWindowRect(list, &listBox);
  MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&listBox), 2);
  EXPECT_EQ(listBox.left, 190);
  EXPECT_EQ(listBox.top, 0);
  EXPECT_EQ(listBox.right - listBox.left, client.right - 201);
  EXPECT_EQ(listBox.bottom - listBox.top, client.bottom - 20);

  RECT listClient{};
  GetClientRect(list, &listClient);
  EXPECT_EQ(Send(list, LVM_GETCOLUMNWIDTH, 0), 258);
  EXPECT_EQ(Send(list, LVM_GETCOLUMNWIDTH, 1), 160);
  EXPECT_EQ(Send(list, LVM_GETCOLUMNWIDTH, 2), listClient.right - 418);

  wchar_t header[64] = {};
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT;
  column.pszText = header;
  column.cchTextMax = 64;
  Send(list, LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
  EXPECT_STREQ(header, L"Новая версия");

  RECT panel{};
  GetWindowRect(Child(IDC_SCANNER_PANEL), &panel);
  MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&panel), 2);
  EXPECT_EQ(panel.left, 10);
  EXPECT_EQ(panel.top, 100);
  EXPECT_EQ(panel.right - panel.left, 170);
  EXPECT_EQ(panel.bottom - panel.top, client.bottom - 120);

  // A resize lays the children out again, the filler column included.
  SetWindowPos(main, nullptr, 0, 0, 900, 500, SWP_NOMOVE | SWP_NOZORDER);
  ASSERT_TRUE(Settle());
  GetClientRect(main, &client);
  GetClientRect(list, &listClient);
  GetWindowRect(list, &listBox);
  EXPECT_EQ(listBox.right - listBox.left, client.right - 201);
  EXPECT_EQ(Send(list, LVM_GETCOLUMNWIDTH, 2), listClient.right - 418);
}

TEST_F(StartupTest, SizingKeepsTheMinimumOnTheRightAndBottomOnly) {
  ASSERT_TRUE(StartAppAndWait());
  RECT proposed{100, 100, 300, 200};
  EXPECT_EQ(Send(Main(), WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&proposed)), TRUE);
  EXPECT_EQ(proposed.right, 600);
  EXPECT_EQ(proposed.bottom, 370);
  RECT left{100, 100, 300, 200};
  EXPECT_EQ(Send(Main(), WM_SIZING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&left)), 0);
  EXPECT_EQ(left.right, 300);
  EXPECT_EQ(left.bottom, 200);
}

TEST_F(StartupTest, MarkScannerButtonBeyondTheLastUnmarksAll) {
  SetScanners({ScannerLine(kSerialA, 'R'), ScannerLine(kSerialB, 'S')});
  ASSERT_TRUE(StartAppAndWait());
  ASSERT_EQ(ScannerButtons(), 2);
  EXPECT_EQ(MarkedScanner(), 0);
  EXPECT_EQ(MarkScannerButton(Main(), 1), 1);
  EXPECT_EQ(MarkedScanner(), 1);
  EXPECT_EQ(MarkScannerButton(Main(), 5), 5);
  EXPECT_EQ(MarkedScanner(), -1);
}

TEST_F(StartupTest, CancelledFirstConnectionDialogEndsTheProgram) {
  SetScanners({});
  StartApp();
  ASSERT_TRUE(WaitFor([&] { return ConnectionDialog() != nullptr; }));
  HWND dialog = ConnectionDialog();
  EXPECT_EQ(Text(dialog), kTitle);
  EXPECT_TRUE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_WAIT_PROGRESS)));
  // The refresh finds no scanner: the dialog stays, showing the stage.
  EXPECT_TRUE(WaitFor([&] { return Text(GetDlgItem(dialog, IDC_WAIT_LABEL)) == L"Подключение к ЗОР-70 через порт USB..."; }));
  EXPECT_TRUE(WaitFor([&] { return StatusText(0) == L"Оффлайн"; }));
  EXPECT_FALSE(IsWindowVisible(Main()));

  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(WaitForAppEnd());
  EXPECT_EQ(exitCode(), 0);
  EXPECT_TRUE(Boxes().empty());  // no scanner button, so no eject question
  EXPECT_EQ(EjectLog(), "");
}

TEST_F(StartupTest, FirstConnectionDialogWaitsForAScannerToArrive) {
  SetScanners({});
  StartApp();
  ASSERT_TRUE(WaitFor([&] { return StatusText(0) == L"Оффлайн"; }));
  SetScanners({ScannerLine(kSerialA, 'R')});
  DeviceChange(DBT_DEVICEARRIVAL);
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(Main()) && ConnectionDialog() == nullptr; }));
  ASSERT_TRUE(WaitForIdle());
  EXPECT_EQ(Rows(), 3);
  EXPECT_EQ(MarkedScanner(), 0);
}

TEST_F(StartupTest, CloseAsksTheEjectQuestionAndEjectsOnYes) {
  ASSERT_TRUE(StartAppAndWait());
  AnswerBoxes({IDYES});
  Command(IDM_EXIT);  // "Выход"
  ASSERT_TRUE(WaitForAppEnd());
  EXPECT_EQ(exitCode(), 0);
  ASSERT_EQ(Boxes().size(), 1u);
  const BoxRecord box = Boxes()[0];
  EXPECT_EQ(box.text,
            L"Для корректного сохранения записанных данных в сканере необходимо выполнить\n"
            L"безопасное отключение устройства. Убедитесь, что на компьютере нет открытых\n"
            L"дисков сканера в других приложениях и выберите кнопку 'Да'.\n"
            L"При выборе 'Нет' можно выполнить безопасное отключение позже, средствами Windows.\n\n"
            L"Отключить ЗОР-70 сейчас?");
  EXPECT_EQ(box.caption, kTitle);
  EXPECT_TRUE(box.yesNo);
  EXPECT_EQ(EjectLog(), "ejected 1234\n");
}

// The scanner's volume goes (or the user pulls the scanner) while the close
// waits for a refused ejection: the broadcast is ignored and the program
// ends after the failure box.
TEST_F(StartupTest, DeviceChangeWhileTheCloseWaitsForARefusedEjectionIsIgnored) {
  SetScanners({ScannerLine(kSerialA, 'R') + " veto"});
  ASSERT_TRUE(StartAppAndWait());
  const int pages = PageRequests();
  AnswerBoxes({IDYES});
  Command(IDM_EXIT);
  ASSERT_TRUE(WaitForBoxes(1));
  DeviceChange(DBT_DEVICEREMOVECOMPLETE);  // the worker is still trying to eject
  ASSERT_TRUE(WaitFor([&] { return !AppRunning() || ConnectionDialog() != nullptr; }));
  EXPECT_EQ(ConnectionDialog(), nullptr);
  ASSERT_TRUE(WaitForAppEnd());
  EXPECT_EQ(PageRequests(), pages);
  EXPECT_EQ(EjectLog(), "vetoed 1234\n");
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[1].caption, L"Ошибка отключения от порта USB");
  EXPECT_FALSE(Boxes()[1].yesNo);
}

TEST_F(StartupTest, CloseWithNoLeavesTheScannerAttached) {
  ASSERT_TRUE(StartAppAndWait());
  AnswerBoxes({IDNO});
  Post(WM_CLOSE);
  ASSERT_TRUE(WaitForAppEnd());
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(EjectLog(), "");
}

TEST_F(StartupTest, FailedCatalogueShowsNoInternetAndDisablesTheButton) {
  FailPage();
  ASSERT_TRUE(StartAppAndWait());
  ASSERT_TRUE(WaitForBoxes(1));
  const BoxRecord box = Boxes()[0];
  EXPECT_EQ(box.text, L"Ошибка подключения к интернету.");
  EXPECT_EQ(box.caption, kTitle);
  EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_TRUE(WaitFor([&] { return Rows() == 0 && StatusText(0) == L"Оффлайн"; }));
  EXPECT_FALSE(DownloadEnabled());
}

}  // namespace
}  // namespace apptest
