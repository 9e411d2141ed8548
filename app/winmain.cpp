// The product: scanners found through SetupAPI.
#include "app/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  return RunMainWindow(instance, showCommand);
}
