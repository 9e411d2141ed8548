// The product: scanners found through SetupAPI, the compiled-in catalogue server.
#include "app/win/dll_search.h"
#include "app/win/main_window.h"
#include "catalogue/catalogue_host.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  SecureDllSearch();
  return RunMainWindow(instance, showCommand, CompiledCatalogueHost());
}
