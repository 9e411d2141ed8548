// The product: scanners found through SetupAPI, the compiled-in catalogue server.
#include "app/win/main_window.h"
#include "catalogue/catalogue_host.h"
#include "core/win/system_dlls.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  sysdll::RestrictDllSearchToSystemFolder();
  return RunMainWindow(instance, showCommand, CompiledCatalogueHost());
}
