// The two roles of dialog template 107: the connection dialog (waiting for
// the scanner and the module list) and the install progress dialog.
#pragma once

#include <windows.h>

// DWLP_USER of the install progress dialog: 0 while running, this once the
// user has cancelled.
constexpr LONG_PTR kProgressCancelled = 2;
// DialogBoxParamW results of the connection dialog.
constexpr INT_PTR kConnectionFinished = 1;  // the refresh found a scanner and ended
constexpr INT_PTR kConnectionCancelled = 2;

// Init parameter: the address of the main window's connection dialog slot,
// into which the dialog writes its own handle (modal use), or 0 (modeless
// use, the main window fills the slot itself).
INT_PTR CALLBACK ConnectionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Modeless, owned by the main window; Cancel posts WM_CT_CANCEL to the owner.
INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Whether a connection dialog slot names a dialog that is still open.
bool HoldsDialog(HWND slot);
