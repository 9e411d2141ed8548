#include "app/win/sim_settings.h"

#include <windows.h>

std::string CatalogueHostFromEnvironment(const std::string& fallback) {
  char host[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableA("ZOR70_CATALOGUE_HOST", host, sizeof host);
  if (length == 0 || length >= sizeof host) return fallback;
  return host;
}
