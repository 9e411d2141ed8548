// The program on simulated scanners (ZOR70_SIM_SCANNERS) and, when
// ZOR70_CATALOGUE_HOST names one, a catalogue server of the caller's choice:
// for the demo and for trying the window without a scanner.
#include "app/win/main_window.h"
#include "app/win/sim_settings.h"
#include "catalogue/catalogue_host.h"
#include "core/win/system_dlls.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  sysdll::RestrictDllSearchToSystemFolder();
  return RunMainWindow(instance, showCommand, CatalogueHostFromEnvironment(CompiledCatalogueHost()));
}
