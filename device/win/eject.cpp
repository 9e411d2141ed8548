#include <windows.h>

#include <cfgmgr32.h>

#include "core/win/system_dlls.h"
#include "core/win/text.h"
#include "device/win/eject_port.h"
#include "device/win/scanner_device.h"

static_assert(kCrSuccess == CR_SUCCESS && kCrRemoveVetoed == CR_REMOVE_VETOED, "configuration-manager codes");

namespace {

class ConfigManagerPort : public EjectPort {
 public:
  bool GetParent(std::uint32_t devInst, std::uint32_t& parent) override {
    DEVINST node = 0;
    if (sysdll::CM_Get_Parent(&node, devInst, 0) != CR_SUCCESS) return false;
    parent = node;
    return true;
  }

  std::uint32_t RequestEject(std::uint32_t parent, std::uint32_t& vetoType) override {
    PNP_VETO_TYPE veto = static_cast<PNP_VETO_TYPE>(vetoType);
    wchar_t vetoName[MAX_PATH] = {};
    const CONFIGRET result = sysdll::CM_Request_Device_EjectW(parent, &veto, vetoName, MAX_PATH, 0);
    vetoType = static_cast<std::uint32_t>(veto);
    return result;
  }

  void ReadLocation(std::uint32_t parent, char16_t* name, std::uint32_t bytes) override {
    ULONG length = bytes;
    sysdll::CM_Get_DevNode_Registry_PropertyW(parent, CM_DRP_LOCATION_INFORMATION, nullptr, AsWide(name), &length, 0);
  }

  void Pause(std::uint32_t milliseconds) override { Sleep(milliseconds); }
};

}  // namespace

int EjectScanner(const ScannerRecord& record) {
  ConfigManagerPort port;
  return ReportEjectOutcome(record, EjectScannerWith(record, port));
}
