// What zormanager-sim takes from its environment beyond the simulated
// scanners: the catalogue server, so the demo and manual tests can point
// the program at a local one. The product reads no such setting.
#pragma once

#include <string>

// The host ZOR70_CATALOGUE_HOST names ("name" or "name:port"); `fallback`
// when that variable holds none.
std::string CatalogueHostFromEnvironment(const std::string& fallback);
