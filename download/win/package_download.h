// Downloading one module package (a zip archive) into the module cache.
#pragma once

#include <cstddef>
#include <functional>

// Called after every read that delivered data, with the kilobytes received
// so far.
using PackageProgress = std::function<void(std::size_t kilobytes)>;

enum class PackageDownload {
  kSaved,        // the whole package is in the file
  kNotReceived,  // the server or the network failed: no answer, an error page, a cut
  kNotStored,    // the computer failed: no memory, the module cache file cannot be written or replaced
};

// Fetches `url` (ANSI, at most 259 characters) and, when the server answered
// 200 and everything it announced arrived within the size limit, puts it at
// `filePath` (created or replaced) in one piece: written to a file of this
// copy's own beside it, flushed, and moved over it, so that another copy
// reading the package never sees half of it. Whatever fails leaves no
// partial file and the file that was there as it was.
PackageDownload DownloadPackage(const char* url, const char* filePath, const PackageProgress& progress);
