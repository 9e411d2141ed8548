// The catalogue server's host and the page address made from it. The
// program takes the host at start-up (the compiled-in one; the simulation
// program and the tests may name another) and hands it down to the worker,
// which alone downloads the page.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Capacity of the package base URL, terminator included.
constexpr std::size_t kPackageBaseUrlSize = 260;

// The host ("name" or "name:port") from the ZOR_CATALOGUE_HOST build setting.
const char* CompiledCatalogueHost();

// "http://" host "/index.php?mod=dirtst".
std::string CataloguePageUrl(std::string_view host);
