#include "app/win/main_window.h"

#include "download/win/http_fetch.h"
#include "files/win/program_folders.h"
#include "log/win/log.h"
#include "resources/resource_ids.h"

HINSTANCE gInstance = nullptr;
wchar_t gAppTitle[kTitleSize] = {};
wchar_t gWindowClass[kTitleSize] = {};

void LoadAppStrings(HINSTANCE instance) {
  LoadStringW(instance, IDS_APP_TITLE, gAppTitle, kTitleSize);
  LoadStringW(instance, IDS_WINDOW_CLASS, gWindowClass, kTitleSize);
}

ATOM RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  windowClass.lpszMenuName = MAKEINTRESOURCEW(IDR_MAIN_MENU);
  windowClass.lpszClassName = gWindowClass;
  return RegisterClassExW(&windowClass);
}

HWND CreateMainWindow(HINSTANCE instance, const MainWindowStart& start) {
  gInstance = instance;
  // WM_CREATE copies the host and the folders for the worker it starts.
  return CreateWindowExW(0, gWindowClass, gAppTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, 800, 600, nullptr,
                         nullptr, instance, const_cast<MainWindowStart*>(&start));
}

int RunMainWindow(HINSTANCE instance, int showCommand, const std::string& catalogueHost) {
  // The one place the program asks where its files go.
  const MainWindowStart start{catalogueHost, WorkOutProgramFolders()};
  SetLogFolder(start.folders.log);
  LogProgramStart(catalogueHost, HttpProxyText(catalogueHost));
  LoadAppStrings(instance);
  RegisterMainWindowClass(instance);  // a failure shows as a failed creation
  HWND window = CreateMainWindow(instance, start);
  if (window == nullptr) {
    LogProgramEnd(0);
    return 0;
  }
  ShowWindow(window, showCommand);
  UpdateWindow(window);

  HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCELERATORS));
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (TranslateAcceleratorW(message.hwnd, accelerators, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  LogProgramEnd(static_cast<int>(message.wParam));
  return static_cast<int>(message.wParam);
}
