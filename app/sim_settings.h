// What zormanager-sim takes from its environment beyond the simulated
// scanners: the catalogue server, so the demo and manual tests can point
// the program at a local one. The product reads no such setting.
#pragma once

// Sets the catalogue host from ZOR70_CATALOGUE_HOST ("name" or
// "name:port") when that variable holds one; false when it does not.
bool UseCatalogueHostFromEnvironment();
