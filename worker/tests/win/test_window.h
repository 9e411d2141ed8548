// A main window of the tests' own for the worker to talk to: a real
// top-level window with the status bar (301), module list view (300) and
// scanner panel (302) made as the program makes them. It records every
// message the worker posts or sends to it and every status text written into
// its status bar, in the order the window thread receives them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace workertest {

struct WindowEvent {
  enum class Kind { Status, Message };
  Kind kind = Kind::Message;
  UINT message = 0;     // Message: WM_CT_REFRESH_DONE, WM_CT_INSTALL_DONE, WM_CT_PROGRESS
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  unsigned part = 0;    // Status: the part written and its text
  std::wstring text;
};

struct PanelButton {
  int command = 0;
  BYTE state = 0;
  int image = 0;
  DWORD_PTR data = 0;
  std::wstring text;
};

struct ModuleRowText {
  std::string name;     // ANSI, as the list view holds it
  std::wstring cell;    // the new-release column; empty: nothing new
};

class TestWindow {
 public:
  TestWindow();
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND hwnd() const { return window_; }
  HWND listView() const { return list_; }
  HWND panel() const { return panel_; }
  bool ok() const { return window_ && status_ && list_ && panel_; }

  const std::vector<WindowEvent>& events() const { return events_; }
  void ClearEvents() { events_.clear(); }
  // The window thread sleeps this long inside the next status write it
  // receives, so the worker's time-outs run out.
  void StallNextStatusWrite(DWORD milliseconds) { stallMs_ = milliseconds; }
  // The same inside the next button query (TB_GETBUTTONINFOW) of the panel.
  void StallNextPanelQuery(DWORD milliseconds) { panelStallMs_ = milliseconds; }

  // Messages of one kind, in order of arrival.
  std::vector<WindowEvent> Messages(UINT message) const;
  // Texts written into one status part, in order.
  std::vector<std::wstring> StatusWrites(unsigned part) const;
  std::wstring StatusText(unsigned part) const;

  std::vector<PanelButton> PanelButtons() const;
  std::vector<ModuleRowText> Rows() const;
  int RowHeight() const;
  int TopIndex() const;

 private:
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK StatusBarProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK PanelProc(HWND, UINT, WPARAM, LPARAM);

  HWND window_ = nullptr;
  HWND status_ = nullptr;
  HWND list_ = nullptr;
  HWND panel_ = nullptr;
  WNDPROC statusProc_ = nullptr;
  WNDPROC panelProc_ = nullptr;
  DWORD stallMs_ = 0;
  DWORD panelStallMs_ = 0;
  std::vector<WindowEvent> events_;
};

// Handles the calling thread's messages, sent ones included, until `done`
// holds or `timeoutMs` has passed. True when `done` held.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
void PumpFor(DWORD milliseconds);

}  // namespace workertest
