#include "worker/package_fetch.h"

#include "catalogue/package_download.h"

bool FetchPackage(HWND progressWindow, const char* url, const char* filePath) {
  return DownloadPackage(progressWindow, url, filePath);
}
