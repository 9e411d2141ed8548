// The catalogue server and the package base URL: process-wide, touched by
// the worker thread only, so nothing is locked.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Capacity of the package base URL, terminator included.
constexpr std::size_t kPackageBaseUrlSize = 260;

// The host of the catalogue server ("name" or "name:port"), compiled in from
// the ZOR_CATALOGUE_HOST build setting. The product never changes it; tests
// and the simulation program point it at their own server.
const std::string& CatalogueHost();
void SetCatalogueHost(std::string_view host);

// "http://" host "/index.php?mod=dirtst".
std::string CataloguePageUrl();

// The prefix of every package URL, set by the catalogue download whenever it
// reaches the directory line of the page; empty at start.
const std::string& PackageBaseUrl();
// `url` must be shorter than kPackageBaseUrlSize.
void SetPackageBaseUrl(std::string_view url);
