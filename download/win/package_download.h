// Downloading one module package (a zip archive) into the module cache.
#pragma once

#include <cstddef>
#include <functional>

// Called after every read that delivered data, with the kilobytes received
// so far.
using PackageProgress = std::function<void(std::size_t kilobytes)>;

// Fetches `url` (ANSI, at most 259 characters) and, when the server answered
// 200 and everything it announced arrived within the size limit, writes it
// to `filePath` (created or replaced) in one piece. True when the whole file
// was written; a write that fails or falls short leaves no file there.
bool DownloadPackage(const char* url, const char* filePath, const PackageProgress& progress);
