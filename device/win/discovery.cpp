#include <windows.h>

#include <setupapi.h>
#include <winioctl.h>

#include <cstddef>
#include <string>

#include "core/win/handles.h"
#include "core/win/system_dlls.h"
#include "core/win/text.h"
#include "device/discovery.h"
#include "device/win/scanner_device.h"
#include "device/win/types.h"
#include "log/win/log.h"

namespace {

// GUID_DEVINTERFACE_DISK
const GUID kDiskInterfaceClass = {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};

constexpr DWORD kDetailBufferBytes = 500;
constexpr DWORD kInstanceIdChars = MAX_PATH;
constexpr DWORD kDriveStringsChars = 258;   // all 26 roots need 105

// Device number of a disk or volume path; opened without access rights, as
// only the storage query is made. A failure says which call failed into
// `cause`, when given.
std::optional<std::uint32_t> DeviceNumberOf(const wchar_t* path, std::string* cause = nullptr) {
  FileHandle device(CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!device) {
    if (cause) *cause = "CreateFileW: " + ErrorText(GetLastError());
    return std::nullopt;
  }
  STORAGE_DEVICE_NUMBER number = {};
  DWORD returned = 0;
  if (!DeviceIoControl(device.Get(), IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof number,
                       &returned, nullptr)) {
    if (cause) *cause = "IOCTL_STORAGE_GET_DEVICE_NUMBER: " + ErrorText(GetLastError());
    return std::nullopt;
  }
  return number.DeviceNumber;
}

std::string AsciiText(const wchar_t* text) {
  std::string ascii;
  for (; *text != 0; ++text) ascii += *text >= 0x20 && *text < 0x7F ? static_cast<char>(*text) : '?';
  return ascii;
}

class SetupApiSource : public DiscoverySource {
 public:
  explicit SetupApiSource(HDEVINFO list) : list_(list) {}

  InterfaceRead ReadInterface(std::uint32_t index, DiskInterface& out) override {
    SP_DEVICE_INTERFACE_DATA iface = {};
    iface.cbSize = sizeof iface;
    if (!sysdll::SetupDiEnumDeviceInterfaces(list_, nullptr, &kDiskInterfaceClass, index, &iface))
      return InterfaceRead::End;

    union {
      SP_DEVICE_INTERFACE_DETAIL_DATA_W header;
      unsigned char bytes[kDetailBufferBytes];
    } detail;
    detail.header.cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    SP_DEVINFO_DATA devInfo = {};
    devInfo.cbSize = sizeof devInfo;
    wchar_t instanceId[kInstanceIdChars] = {};
    if (!sysdll::SetupDiGetDeviceInterfaceDetailW(list_, &iface, &detail.header, sizeof detail, nullptr, &devInfo)) {
      cause_ = ErrorText(GetLastError());
      // SetupAPI fills in the device even when the detail does not fit: its
      // id tells whether the disk is a scanner's, which the walk reports.
      if (devInfo.DevInst != 0 &&
          sysdll::SetupDiGetDeviceInstanceIdW(list_, &devInfo, instanceId, kInstanceIdChars, nullptr)) {
        instanceId[kInstanceIdChars - 1] = 0;
        out.instanceId = AsUtf16(instanceId);
        if (IsScannerInstanceId(out.instanceId)) return InterfaceRead::Failed;
      }
      LogFailure("discovery: the interface detail of disk %lu (%s) cannot be read: %s; the disks after it are not "
                 "looked at", static_cast<unsigned long>(index), instanceId[0] ? AsciiText(instanceId).c_str() : "id unknown",
                 cause_.c_str());
      return InterfaceRead::Failed;
    }

    if (!sysdll::SetupDiGetDeviceInstanceIdW(list_, &devInfo, instanceId, kInstanceIdChars, nullptr)) {
      LogFailure("discovery: the instance id of disk %lu cannot be read: %s; the disks after it are not looked at",
                 static_cast<unsigned long>(index), ErrorText(GetLastError()).c_str());
      return InterfaceRead::Failed;
    }
    instanceId[kInstanceIdChars - 1] = 0;

    // The path ends within the buffer: the call fails rather than cut it.
    const std::size_t pathChars = (sizeof detail - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath)) /
                                  sizeof(wchar_t);
    const std::wstring_view path(detail.header.DevicePath, pathChars);

    out.devInfo = FromWindows(devInfo);
    out.devicePath = AsUtf16(path.substr(0, path.find(L'\0')));
    out.instanceId = AsUtf16(instanceId);
    return InterfaceRead::Read;
  }

  std::optional<std::uint32_t> DiskDeviceNumber(const DiskInterface& disk) override {
    return DeviceNumberOf(AsWide(disk.devicePath.c_str()), &cause_);
  }

  bool DriveRoots(std::vector<std::u16string>& roots) override {
    wchar_t list[kDriveStringsChars + 1] = {};
    const DWORD length = GetLogicalDriveStringsW(kDriveStringsChars, list);
    if (length == 0 || length > kDriveStringsChars) {
      cause_ = length == 0 ? ErrorText(GetLastError()) : "more than " + std::to_string(kDriveStringsChars) + " characters";
      return false;
    }
    roots = SplitDriveStrings(AsUtf16(list), length);
    return true;
  }

  std::uint32_t DriveType(const std::u16string& root) override {
    return GetDriveTypeW(AsWide(root.c_str()));
  }

  std::optional<std::uint32_t> VolumeDeviceNumber(char16_t letter) override {
    wchar_t volume[] = L"\\\\.\\X:";
    volume[4] = static_cast<wchar_t>(letter);
    return DeviceNumberOf(volume);
  }

  // An endpoint-security policy that blocks USB storage refuses the disk's
  // open: without this line the log would only say that no scanner is there.
  void ScannerSkipped(const DiskInterface& disk, DiscoveryStep step) override {
    LogFailure("%s", SkippedScannerEvent(disk.instanceId, step, cause_).c_str());
  }

 private:
  HDEVINFO list_;
  std::string cause_;   // the error of the step that failed last
};

}  // namespace

static_assert(kDriveRemovable == DRIVE_REMOVABLE, "drive type of the portable rules");

bool DiscoverScanners(ScannerTable& table) {
  table.count = 0;
  DevInfoList list(sysdll::SetupDiGetClassDevsW(&kDiskInterfaceClass, nullptr, nullptr,
                                        DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
  if (!list) {
    LogFailure("discovery: the list of disks cannot be had from SetupAPI: %s", ErrorText(GetLastError()).c_str());
    return false;
  }
  SetupApiSource source(list.Get());
  FillScannerTable(source, table);
  return true;
}

