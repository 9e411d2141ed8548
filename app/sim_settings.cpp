#include "app/sim_settings.h"

#include <windows.h>

#include "catalogue/catalogue_host.h"

bool UseCatalogueHostFromEnvironment() {
  char host[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableA("ZOR70_CATALOGUE_HOST", host, sizeof host);
  if (length == 0 || length >= sizeof host) return false;
  SetCatalogueHost(host);
  return true;
}
