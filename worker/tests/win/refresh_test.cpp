// The refresh cycle as the window sees it: status texts, start notice and
// result, scanner panel, module list, visibility.
#include <windows.h>
#include <commctrl.h>

#include "device/win/scanner_device.h"
#include "worker/tests/win/worker_fixture.h"

namespace workertest {
namespace {

using Kind = WindowEvent::Kind;

const std::wstring kDiscovering = L"Обнаружение сканера";
const std::wstring kLoadingCatalogue = L"Загрузка сведений о модулях";
const std::wstring kComparing = L"Сравнение модулей в сканере и на сайте";

// The panel wraps its buttons itself (TBSTATE_WRAP): only the worker's bits count.
BYTE State(const PanelButton& button) { return static_cast<BYTE>(button.state & ~TBSTATE_WRAP); }

// The index of the marked panel button, -1 when none is marked.
int MarkedButton(const TestWindow& window) {
  const auto buttons = window.PanelButtons();
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    if (buttons[i].state & TBSTATE_MARKED) return static_cast<int>(i);
  }
  return -1;
}

const ModuleRowText* FindRow(const std::vector<ModuleRowText>& rows, const std::string& name) {
  for (const ModuleRowText& row : rows) {
    if (row.name == name) return &row;
  }
  return nullptr;
}

// What MarkScannerButton does in the program: one button marked, by index.
void MarkButton(HWND panel, int index) {
  const int count = static_cast<int>(SendMessageW(panel, TB_BUTTONCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    TBBUTTONINFOW info = {};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_BYINDEX | TBIF_IMAGE | TBIF_STATE;
    if (SendMessageW(panel, TB_GETBUTTONINFOW, i, reinterpret_cast<LPARAM>(&info)) == -1) continue;
    info.fsState = static_cast<BYTE>(i == index ? info.fsState | TBSTATE_MARKED : info.fsState & ~TBSTATE_MARKED);
    info.iImage = i == index ? 1 : 0;
    SendMessageW(panel, TB_SETBUTTONINFOW, i, reinterpret_cast<LPARAM>(&info));
  }
}

class Refresh : public WorkerTest {
 protected:
  void PutModule(wchar_t letter, const std::wstring& name) {
    const std::wstring programFiles = DiskDir(letter) + L"\\Program Files";
    CreateDirectoryW(programFiles.c_str(), nullptr);
    ASSERT_TRUE(zortest::WriteWholeFile(programFiles + L"\\" + name, "module"));
  }
};

TEST_F(Refresh, InitialRefreshWithoutScannerHidesTheWindowAndReportsNoEnd) {
  SetScanners({});
  SetPage(StandardPage());
  ShowWindow(mainWindow_, SW_SHOWNORMAL);
  StartWorker();
  ASSERT_TRUE(WaitForInitialRefresh(false));
  ASSERT_TRUE(StopWorker(0));

  // Every step in order: the sends reach the window as the worker makes them.
  const auto& events = window_->events();
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].kind, Kind::Status);
  EXPECT_EQ(events[0].part, 1u);
  EXPECT_EQ(events[0].text, kDiscovering);
  EXPECT_EQ(events[1].kind, Kind::Message);
  EXPECT_EQ(events[1].message, WM_CT_REFRESH_DONE);
  EXPECT_EQ(events[1].wParam, 0u);
  EXPECT_EQ(events[1].lParam, kRefreshStarted);
  EXPECT_EQ(events[2].kind, Kind::Status);
  EXPECT_EQ(events[2].part, 1u);
  EXPECT_EQ(events[2].text, L"");
  EXPECT_EQ(events[3].kind, Kind::Status);
  EXPECT_EQ(events[3].part, 0u);
  EXPECT_EQ(events[3].text, L"Оффлайн");

  EXPECT_FALSE(IsWindowVisible(mainWindow_));
  EXPECT_TRUE(window_->PanelButtons().empty());
  EXPECT_TRUE(window_->Rows().empty());
  EXPECT_EQ(PageRequests(), 0) << "no scanner, no catalogue download";
  EXPECT_EQ(window_->StatusText(0), L"Оффлайн");
  EXPECT_EQ(window_->StatusText(1), L"");
}

TEST_F(Refresh, InitialRefreshWithOneScannerFillsPanelAndList) {
  SetScanners({ScannerLine(kSerialA, 'J')});
  SetPage(StandardPage());
  PutModule(L'J', L"MEAS02_0501.z70");
  StartWorker();
  ASSERT_TRUE(WaitForMessages(WM_CT_REFRESH_DONE, 2));
  ASSERT_TRUE(StopWorker(0));

  EXPECT_EQ(StepTexts(), Texts({L"Обнаружение сканера", L"Загрузка сведений о модулях",
                                L"Сравнение модулей в сканере и на сайте", L""}));
  EXPECT_EQ(window_->StatusWrites(0), Texts({L"Онлайн"}));
  // The start notice comes right after the first step text.
  const auto& events = window_->events();
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events[1].message, WM_CT_REFRESH_DONE);
  EXPECT_EQ(events[1].lParam, kRefreshStarted);
  const auto done = window_->Messages(WM_CT_REFRESH_DONE);
  ASSERT_EQ(done.size(), 2u);
  EXPECT_EQ(done[1].wParam, static_cast<WPARAM>(kRefreshOk));
  EXPECT_EQ(done[1].lParam, kRefreshFinished);

  EXPECT_TRUE(IsWindowVisible(mainWindow_));
  const auto buttons = window_->PanelButtons();
  ASSERT_EQ(buttons.size(), 1u);
  EXPECT_EQ(buttons[0].command, 3000);
  EXPECT_EQ(State(buttons[0]), TBSTATE_ENABLED | TBSTATE_MARKED);
  EXPECT_EQ(buttons[0].image, 1);
  EXPECT_EQ(buttons[0].data, 1234u);
  EXPECT_EQ(buttons[0].text, L"ЗОР-70\n1234\n15.03.2014");
  EXPECT_EQ(MarkedButton(*window_), 0);

  const auto rows = window_->Rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].name, "DIAG01");
  EXPECT_EQ(rows[0].cell, L"Дата 12.05.2014\nВерсия 1.2.3.4");
  EXPECT_EQ(rows[1].name, "MEAS02");
  EXPECT_EQ(rows[1].cell, L"") << "the scanner holds MEAS02_0501 already";
}

TEST_F(Refresh, InitialRefreshWithTwoScannersMarksTheFirst) {
  SetScanners({ScannerLine(kSerialA, 'J'), ScannerLine(kSerialB, 'K')});
  SetPage(StandardPage());
  StartWorker();
  ASSERT_TRUE(WaitForMessages(WM_CT_REFRESH_DONE, 2));

  const auto buttons = window_->PanelButtons();
  ASSERT_EQ(buttons.size(), 2u);
  EXPECT_EQ(buttons[0].command, 3000);
  EXPECT_EQ(State(buttons[0]), TBSTATE_ENABLED | TBSTATE_MARKED);
  EXPECT_EQ(buttons[0].image, 1);
  EXPECT_EQ(buttons[1].command, 3001);
  EXPECT_EQ(State(buttons[1]), TBSTATE_ENABLED);
  EXPECT_EQ(buttons[1].image, 0);
  EXPECT_EQ(buttons[1].data, 7u);
  EXPECT_EQ(buttons[1].text, L"ЗОР-70\n7\n1.01.2015");
  EXPECT_EQ(MarkedButton(*window_), 0);
  EXPECT_EQ(window_->Messages(WM_CT_REFRESH_DONE)[1].wParam, static_cast<WPARAM>(kRefreshOk));
}

TEST_F(Refresh, SelectionFollowsTheMarkedSerialAndFallsBackToTheFirst) {
  SetScanners({ScannerLine(kSerialA, 'J'), ScannerLine(kSerialB, 'K')});
  SetPage(StandardPage());
  PutModule(L'K', L"DIAG01_1234.z70");   // only the second scanner holds DIAG01
  StartWorker();
  ASSERT_TRUE(WaitForMessages(WM_CT_REFRESH_DONE, 2));
  ASSERT_NE(FindRow(window_->Rows(), "DIAG01"), nullptr);
  EXPECT_NE(FindRow(window_->Rows(), "DIAG01")->cell, L"");

  // The user picks the second scanner: the window marks it and asks with its index.
  MarkButton(window_->panel(), 1);
  Post(WM_CT_REFRESH, 1, reinterpret_cast<LPARAM>(mainWindow_));
  ASSERT_TRUE(WaitForMessages(WM_CT_REFRESH_DONE, 4));
  EXPECT_EQ(MarkedButton(*window_), 1);
  EXPECT_EQ(FindRow(window_->Rows(), "DIAG01")->cell, L"") << "compared against the second scanner";

  // A device change keeps the selection and the scanners now come in the
  // other order: the marked serial number wins.
  SetScanners({ScannerLine(kSerialB, 'K'), ScannerLine(kSerialA, 'J')});
  Post(WM_CT_REFRESH, kKeepSelection, reinterpret_cast<LPARAM>(mainWindow_));
  ASSERT_TRUE(WaitForMessages(WM_CT_REFRESH_DONE, 6));
  auto buttons = window_->PanelButtons();
  ASSERT_EQ(buttons.size(), 2u);
  EXPECT_EQ(buttons[0].data, 7u);
  EXPECT_EQ(State(buttons[0]), TBSTATE_ENABLED | TBSTATE_MARKED);
  EXPECT_EQ(State(buttons[1]), TBSTATE_ENABLED);
  EXPECT_EQ(MarkedButton(*window_), 0);
  EXPECT_EQ(FindRow(window_->Rows(), "DIAG01")->cell, L"");

  // The marked scanner is pulled out: the first one left takes the mark.
  SetScanners({ScannerLine(kSerialA, 'J')});
  Post(WM_CT_REFRESH, 0, reinterpret_cast<LPARAM>(mainWindow_));
  ASSERT_TRUE(WaitForMessages(WM_CT_REFRESH_DONE, 8));
  buttons = window_->PanelButtons();
  ASSERT_EQ(buttons.size(), 1u);
  EXPECT_EQ(buttons[0].data, 1234u);
  EXPECT_EQ(State(buttons[0]), TBSTATE_ENABLED | TBSTATE_MARKED);
  EXPECT_EQ(buttons[0].image, 1);
  EXPECT_EQ(MarkedButton(*window_), 0);
  EXPECT_NE(FindRow(window_->Rows(), "DIAG01")->cell, L"");
}

TEST_F(Refresh, ResultsGoToTheWindowNamedInTheRequest) {
  SetScanners({ScannerLine(kSerialA, 'J')});
  SetPage(StandardPage());
  StartWorker();
  ASSERT_TRUE(WaitForMessages(WM_CT_REFRESH_DONE, 2));

  TestWindow other;
  ASSERT_TRUE(other.ok());
  window_->ClearEvents();
  Post(WM_CT_REFRESH, kKeepSelection, reinterpret_cast<LPARAM>(other.hwnd()));
  ASSERT_TRUE(PumpUntil([&] { return other.Messages(WM_CT_REFRESH_DONE).size() >= 2; }, kWaitMs));
  ASSERT_TRUE(StopWorker(0));
  EXPECT_EQ(other.StatusWrites(0), Texts({L"Онлайн"}));
  EXPECT_EQ(other.Rows().size(), 2u);
  // The main window only sees the status clearing after the message.
  EXPECT_TRUE(window_->Messages(WM_CT_REFRESH_DONE).empty());
  EXPECT_EQ(StepTexts(), Texts({L""}));
}

TEST_F(Refresh, CatalogueFailureEmptiesTheListAndReportsTwo) {
  SetScanners({ScannerLine(kSerialA, 'J')});
  SetPage(StandardPage());
  StartWorker();
  ASSERT_TRUE(WaitForInitialRefresh(true));
  ASSERT_EQ(window_->Rows().size(), 2u);
  window_->ClearEvents();

  // A page without a module list.
  SetPage("<html>Service unavailable</html>");
  Post(WM_CT_REFRESH, 0, reinterpret_cast<LPARAM>(mainWindow_));
  ASSERT_TRUE(PumpUntil([&] { return CountMessages(WM_CT_REFRESH_DONE, kRefreshFinished) >= 1; }, kWaitMs));
  EXPECT_EQ(window_->Messages(WM_CT_REFRESH_DONE).back().wParam, static_cast<WPARAM>(kRefreshNoCatalogue));
  EXPECT_TRUE(window_->Rows().empty());
  EXPECT_EQ(window_->StatusText(0), L"Оффлайн");
  EXPECT_TRUE(IsWindowVisible(mainWindow_));
  EXPECT_EQ(window_->PanelButtons().size(), 1u);

  // No server at all.
  http_.Stop();
  Post(WM_CT_REFRESH, 0, reinterpret_cast<LPARAM>(mainWindow_));
  ASSERT_TRUE(PumpUntil([&] { return CountMessages(WM_CT_REFRESH_DONE, kRefreshFinished) >= 2; }, kWaitMs));
  ASSERT_TRUE(StopWorker(0));
  EXPECT_EQ(window_->Messages(WM_CT_REFRESH_DONE).back().wParam, static_cast<WPARAM>(kRefreshNoCatalogue));
  EXPECT_EQ(window_->StatusWrites(0), Texts({L"Оффлайн", L"Оффлайн"}));
  const std::vector<std::wstring> oneRefresh = {kDiscovering, kLoadingCatalogue, L"", L""};
  std::vector<std::wstring> both = oneRefresh;
  both.insert(both.end(), oneRefresh.begin(), oneRefresh.end());
  EXPECT_EQ(StepTexts(), both);
}

TEST_F(Refresh, ScannerRemovedReportsThreeWithoutAnEnd) {
  SetScanners({ScannerLine(kSerialA, 'J')});
  SetPage(StandardPage());
  StartWorker();
  ASSERT_TRUE(WaitForMessages(WM_CT_REFRESH_DONE, 2));
  ASSERT_TRUE(IsWindowVisible(mainWindow_));

  SetScanners({});
  window_->ClearEvents();
  Post(WM_CT_REFRESH, 0, reinterpret_cast<LPARAM>(mainWindow_));
  ASSERT_TRUE(WaitForRefreshes(1));
  ASSERT_TRUE(StopWorker(0));
  EXPECT_EQ(CountMessages(WM_CT_REFRESH_DONE, kRefreshFinished), 0u);
  EXPECT_EQ(CountMessages(WM_CT_REFRESH_DONE, kRefreshStarted), 1u);
  EXPECT_EQ(window_->StatusWrites(0), Texts({L"Оффлайн"}));
  EXPECT_EQ(window_->StatusText(1), L"");
  EXPECT_FALSE(IsWindowVisible(mainWindow_));
  EXPECT_TRUE(window_->PanelButtons().empty());
  EXPECT_TRUE(window_->Rows().empty());
}

TEST_F(Refresh, WindowThatDoesNotAnswerInTimeGivesOne) {
  SetScanners({ScannerLine(kSerialA, 'J')});
  SetPage(StandardPage());
  StartWorker();
  ASSERT_TRUE(WaitForMessages(WM_CT_REFRESH_DONE, 2));
  ASSERT_EQ(MarkedButton(*window_), 0);

  // The window thread hangs in the first status text for longer than the
  // worker waits for it. The keep-selection index is -1 in all 64 bits.
  const int pagesBefore = PageRequests();
  window_->ClearEvents();
  window_->StallNextStatusWrite(1500);
  Post(WM_CT_REFRESH, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(mainWindow_));
  ASSERT_TRUE(PumpUntil([&] { return CountMessages(WM_CT_REFRESH_DONE, kRefreshFinished) >= 1; }, kWaitMs));
  ASSERT_TRUE(StopWorker(0));

  const auto done = window_->Messages(WM_CT_REFRESH_DONE);
  ASSERT_EQ(done.size(), 1u) << "the refresh stopped before its start notice";
  EXPECT_EQ(done[0].wParam, static_cast<WPARAM>(kRefreshWindowBusy));
  EXPECT_EQ(done[0].lParam, kRefreshFinished);
  EXPECT_EQ(PageRequests(), pagesBefore) << "nothing after the failed write ran";
  EXPECT_EQ(MarkedButton(*window_), 0);
  EXPECT_EQ(window_->PanelButtons().size(), 1u);
  EXPECT_EQ(window_->Rows().size(), 2u);
}

TEST_F(Refresh, PanelThatDoesNotAnswerInTimeKeepsItsButtonsAndTheRefreshGoesOn) {
  SetScanners({ScannerLine(kSerialA, 'J')});
  SetPage(StandardPage());
  StartWorker();
  ASSERT_TRUE(WaitForInitialRefresh(true));

  // The second scanner arrives, but the panel hangs in the first button
  // query a little longer than the worker waits: the rebuild gives up, the
  // refresh does not.
  SetScanners({ScannerLine(kSerialA, 'J'), ScannerLine(kSerialB, 'K')});
  window_->ClearEvents();
  window_->StallNextPanelQuery(700);
  Post(WM_CT_REFRESH, kKeepSelection, reinterpret_cast<LPARAM>(mainWindow_));
  ASSERT_TRUE(PumpUntil([&] { return CountMessages(WM_CT_REFRESH_DONE, kRefreshFinished) >= 1; }, kWaitMs));
  ASSERT_TRUE(StopWorker(0));

  EXPECT_EQ(window_->Messages(WM_CT_REFRESH_DONE).back().wParam, static_cast<WPARAM>(kRefreshOk));
  const auto buttons = window_->PanelButtons();
  ASSERT_EQ(buttons.size(), 1u) << "the old button stays, no new one is added";
  EXPECT_EQ(buttons[0].data, 1234u);
  EXPECT_EQ(window_->Rows().size(), 2u);
  EXPECT_EQ(window_->StatusText(0), L"Онлайн");
}

TEST_F(Refresh, ScrollPositionSurvivesTheRefill) {
  std::vector<std::string> lines;
  for (int i = 0; i < 40; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "MOD%02d", i);
    lines.push_back(ModuleLine("2014-01-02", "1.0.0.1", std::string(name) + ".z70", std::string(name) + "_0001"));
  }
  SetScanners({ScannerLine(kSerialA, 'J')});
  SetPage(CataloguePage(lines));
  StartWorker();
  ASSERT_TRUE(WaitForMessages(WM_CT_REFRESH_DONE, 2));
  ASSERT_EQ(window_->Rows().size(), 40u);
  ASSERT_EQ(window_->RowHeight(), 32) << "the rows must be as high as the program's";

  SendMessageW(window_->listView(), LVM_SCROLL, 0, 10 * 32);
  ASSERT_EQ(window_->TopIndex(), 10);
  Post(WM_CT_REFRESH, 0, reinterpret_cast<LPARAM>(mainWindow_));
  ASSERT_TRUE(WaitForMessages(WM_CT_REFRESH_DONE, 4));
  EXPECT_EQ(window_->Rows().size(), 40u);
  EXPECT_EQ(window_->TopIndex(), 10);
}

}  // namespace
}  // namespace workertest
