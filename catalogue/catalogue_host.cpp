#include "catalogue/catalogue_host.h"

#ifndef ZOR_CATALOGUE_HOST
#error "ZOR_CATALOGUE_HOST must name the catalogue server (set by the build)"
#endif

const char* CompiledCatalogueHost() { return ZOR_CATALOGUE_HOST; }

std::string CataloguePageUrl(std::string_view host) {
  return "http://" + std::string(host) + "/index.php?mod=dirtst";
}
