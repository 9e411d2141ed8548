#include "catalogue/catalogue_host.h"

#include <cassert>

#ifndef ZOR_CATALOGUE_HOST
#error "ZOR_CATALOGUE_HOST must name the catalogue server (set by the build)"
#endif

namespace {

std::string& HostStorage() {
  static std::string host = ZOR_CATALOGUE_HOST;
  return host;
}

std::string& BaseUrlStorage() {
  static std::string url;
  return url;
}

}  // namespace

const std::string& CatalogueHost() { return HostStorage(); }

void SetCatalogueHost(std::string_view host) { HostStorage().assign(host); }

std::string CataloguePageUrl() {
  return "http://" + CatalogueHost() + "/index.php?mod=dirtst";
}

const std::string& PackageBaseUrl() { return BaseUrlStorage(); }

void SetPackageBaseUrl(std::string_view url) {
  assert(url.size() < kPackageBaseUrlSize);
  if (url.size() >= kPackageBaseUrlSize) return;
  BaseUrlStorage().assign(url);
}
