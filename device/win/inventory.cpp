#include <windows.h>

#include <cstring>
#include <string>

#include "core/win/handles.h"
#include "core/win/text.h"
#include "device/inventory.h"
#include "device/win/scanner_device.h"
#include "log/win/log.h"

std::string AnsiDrive(const ScannerRecord& record) {
  const std::u16string_view drive(record.drive.data(), kDriveSize - 1);
  return AnsiFromWide(AsWide(drive.substr(0, drive.find(u'\0'))));
}

bool ReadScannerInventory(const ScannerRecord& record, ModuleCatalogue& catalogue) {
  // Without a drive the path would be "\Program Files" on the current
  // drive: some other disk's files, not the scanner's.
  const std::string drive = AnsiDrive(record);
  if (drive.empty()) {
    LogFailure("inventory: scanner %lu has no drive letter: every module shows as new",
               static_cast<unsigned long>(record.serialNumber));
    return false;
  }

  const std::string directory = drive + "\\Program Files";
  const std::string pattern = directory + "\\*.*";
  static_assert(MAX_PATH == 260, "paths on the scanner are MAX_PATH bytes");
  if (pattern.size() >= MAX_PATH) return false;

  CreateDirectoryA(directory.c_str(), nullptr);   // already there: fails harmlessly

  WIN32_FIND_DATAA entry;
  FindHandle listing(FindFirstFileA(pattern.c_str(), &entry));
  if (!listing) {
    LogFailure("inventory: module folder %s cannot be listed: %s; every module shows as new", directory.c_str(),
               ErrorText(GetLastError()).c_str());
    return false;
  }

  const ReadModuleHeader readHeader = [&directory](const std::string& lowerName, unsigned char* buffer,
                                                   std::size_t capacity, std::size_t& bytesRead) {
    const std::string path = directory + "\\" + lowerName;
    if (path.size() >= MAX_PATH) return false;
    // No sharing: a component being written by someone else is skipped.
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD got = 0;
    if (!ReadFile(file.Get(), buffer, static_cast<DWORD>(capacity), &got, nullptr)) return false;
    bytesRead = got;
    return true;
  };

  do {
    const std::size_t length = strnlen(entry.cFileName, sizeof entry.cFileName);
    TakeInventoryEntry(catalogue, std::string_view(entry.cFileName, length), readHeader);
  } while (FindNextFileA(listing.Get(), &entry));
  return true;
}
