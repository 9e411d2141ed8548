// The main window: start-up, its child controls and its window procedure.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "core/folders.h"

constexpr int kTitleSize = 100;
// Set before the main window is created; every control, bitmap and dialog
// of the program is created or loaded with it.
extern HINSTANCE gInstance;
extern wchar_t gAppTitle[kTitleSize];    // string 103: window title, dialog and message box caption
extern wchar_t gWindowClass[kTitleSize]; // string 109

// WinMain's whole work: the program's folders worked out and the log given
// its own, strings, class, window, show, message loop, with the catalogue
// server taken at start-up. Returns the WM_QUIT code, or 0 when the window
// could not be created (which is also what a cancelled first connection
// dialog gives). Tests run it on a thread of their own.
int RunMainWindow(HINSTANCE instance, int showCommand, const std::string& catalogueHost);

// What the main window is created with; its WM_CREATE copies it.
struct MainWindowStart {
  std::string catalogueHost;
  ProgramFolders folders;  // the worker's, and Explorer's target
};

// The steps of RunMainWindow, for tests that need them apart.
void LoadAppStrings(HINSTANCE instance);
ATOM RegisterMainWindowClass(HINSTANCE instance);
// Blocks in the connection dialog until the worker's first refresh finds a
// scanner; null when the creation failed or the dialog was cancelled.
HWND CreateMainWindow(HINSTANCE instance, const MainWindowStart& start);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The child controls, created by WM_CREATE in this order. Each returns the
// control or null; a null fails the window's creation.
HWND CreateStatusBar(HWND mainWindow);
// `client` is the main window's client rectangle; its right edge is set to
// the list's width.
HWND CreateModuleListView(HWND mainWindow, RECT& client);
// Download button, panel caption and the scanner panel; returns the panel.
HWND CreatePanelControls(HWND mainWindow);
// Marks scanner button `index` as the selected scanner and unmarks the
// others; returns `index`, also when no such button exists.
int MarkScannerButton(HWND mainWindow, int index);
// The serial number the marked scanner button carries; kNoScannerSerial
// when no button is marked.
std::uint32_t MarkedScannerSerial(HWND mainWindow);
