// The module list page of the catalogue server, turned into a catalogue.
// Portable: the download itself lives in the Win32 adapter.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"

// The page is read into one buffer of this size and must fit with a
// terminating NUL, so a page has at most kPageBufferSize - 1 bytes.
constexpr std::size_t kPageBufferSize = 1048576;
// Capacities, terminator included, of a page line, of the package base URL
// and of the base URL with a line appended, and of a version text.
constexpr std::size_t kPageLineSize = 260;
constexpr std::size_t kVersionTextSize = 100;

// Parses the page: sets `packageBaseUrl` ("http://" host "/" directory) when
// the directory line is reached and stores every accepted module line's
// release, leaving the catalogue exactly as AddRelease called for each line
// in page order would. Returns the number of releases stored.
//
// Input the fixed-size fields cannot hold is never cut, because a cut name
// or archive name could merge two modules or name another package:
//  - a page of kPageBufferSize bytes or more gives 0 and changes nothing
//    (half a catalogue could offer an old release as the new one);
//  - the page ends at its first NUL byte, as a C string would;
//  - a directory line of kPageLineSize bytes or more, or one that would
//    make the base URL longer than kPageLineSize - 1, gives 0 and leaves
//    `packageBaseUrl` as it was;
//  - a module line of kPageLineSize bytes or more, one that makes the base
//    URL plus the line longer than kPageLineSize - 1, one whose version text
//    has kVersionTextSize bytes or more or whose module name has
//    kModuleNameSize bytes or more is skipped like any other unusable line,
//    without even being looked at for the stop marker.
unsigned ParseCataloguePage(std::string_view page, std::string_view host,
                            ModuleCatalogue& catalogue, std::string& packageBaseUrl);
