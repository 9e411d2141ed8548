// Every resource, command and control id of the program, in one place.
// Plain #defines: windres includes this file too.
#pragma once

// Resources.
#define IDS_APP_TITLE 103        // "Управление сканером ЗОР [v1.4]"
#define IDS_WINDOW_CLASS 109     // "ZORMANAGER"
#define IDI_APP 107
#define IDR_MAIN_MENU 109
#define IDR_ACCELERATORS 109
#define IDB_NEW_RELEASE_ARROW 129  // 48 x 24, transparent colour at (0, 0)
#define IDB_TYPE_ICONS 135         // 58 icons of 32 x 32, transparent colour at (2, 2)
#define IDD_WAIT 107               // connection and install progress dialogs

// Menu and accelerator commands.
#define IDM_ABOUT_KEY 104          // Alt+? and Alt+/: passed on to DefWindowProcW
#define IDM_EXIT 105
#define IDM_INSTALL_ALL 32773
#define IDM_OPEN_MODULE_FOLDER 32778

// Controls of the main window.
#define IDC_MODULE_LIST 300
#define IDC_STATUS_BAR 301
#define IDC_SCANNER_PANEL 302
#define IDC_DOWNLOAD_BUTTON 304
#define IDC_PANEL_CAPTION 305
#define IDC_SCANNER_BUTTON_FIRST 3000  // scanner i has command 3000 + i
#define IDC_SCANNER_BUTTON_LAST 3009

// Controls of dialog 107 (IDCANCEL, 2, is its Cancel button).
#define IDC_WAIT_MODULE_NAME 1000
#define IDC_WAIT_LABEL 1002
#define IDC_WAIT_PROGRESS 1005
#define IDC_WAIT_KILOBYTES 1006
