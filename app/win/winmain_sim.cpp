// The program on simulated scanners (ZOR70_SIM_SCANNERS) and, when
// ZOR70_CATALOGUE_HOST names one, a catalogue server of the caller's choice:
// for the demo and for trying the window without a scanner.
#include "app/win/dll_search.h"
#include "app/win/main_window.h"
#include "app/win/sim_settings.h"
#include "catalogue/catalogue_host.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  SecureDllSearch();
  return RunMainWindow(instance, showCommand, CatalogueHostFromEnvironment(CompiledCatalogueHost()));
}
