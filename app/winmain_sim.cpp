// The program on simulated scanners (ZOR70_SIM_SCANNERS) and, when
// ZOR70_CATALOGUE_HOST names one, a catalogue server of the caller's choice:
// for the demo and for trying the window without a scanner. The product
// reads no environment of this kind.
#include "app/main_window.h"
#include "catalogue/catalogue_host.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  char host[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableA("ZOR70_CATALOGUE_HOST", host, sizeof host);
  if (length > 0 && length < sizeof host) SetCatalogueHost(host);
  return RunMainWindow(instance, showCommand);
}
