// The module list page over HTTP, parsed into the catalogue.
#pragma once

#include <string>

#include "catalogue/catalogue.h"

// Fetches the module list page from the catalogue server `host` and parses
// it into `catalogue` (expected empty). `packageBaseUrl` takes the page's
// package directory when the page names one, and keeps what it held when
// the download fails. Returns the number of releases stored; 0 when the
// page could not be fetched whole, did not fit the page buffer or held no
// usable line.
unsigned DownloadCatalogue(const std::string& host, ModuleCatalogue& catalogue, std::string& packageBaseUrl);
