// Device-interface enumeration over the registered device provider (device_provider.h).
// SetupDiGetClassDevsA takes one snapshot of the provider's interfaces; the set's handle is
// a kernel object of its own kind (CloseHandle does not take it, as on Windows).
#include <winapi/emu/internal/errors.h>
#include <winapi/emu/internal/handles.h>
#include <winapi/include/emu/device_provider.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace kxemu {
namespace {

class DeviceInfoSet : public KernelObject {
public:
  DeviceInfoSet() : KernelObject(ObjectKind::DevInfoSet) {}
  std::vector<DeviceInterfaceRecord> interfaces;
  std::vector<GUID> classes; // the interface class of each entry
};

std::shared_ptr<DeviceInfoSet> setOf(HDEVINFO set) {
  return lookupHandle<DeviceInfoSet>(static_cast<HANDLE>(set), ObjectKind::DevInfoSet);
}

} // namespace
} // namespace kxemu

using namespace kxemu;

extern "C" HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID* classGuid, PCSTR, HWND, DWORD flags) {
  if (!classGuid && !(flags & DIGCF_ALLCLASSES)) {
    return fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  }
  auto set = std::make_shared<DeviceInfoSet>();
  // Device-interface sets of one class; device sets by setup class and the all-classes
  // forms are empty until device enumeration joins the provider interface.
  if ((flags & DIGCF_DEVICEINTERFACE) && classGuid) {
    if (auto provider = deviceProvider()) {
      for (auto& record : provider->interfaces(*classGuid, (flags & DIGCF_PRESENT) != 0)) {
        if ((flags & DIGCF_PRESENT) && !record.present) {
          continue;
        }
        set->interfaces.push_back(std::move(record));
        set->classes.push_back(*classGuid);
      }
    }
  }
  return static_cast<HDEVINFO>(insertHandle(std::move(set)));
}

extern "C" BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO handle, PSP_DEVINFO_DATA deviceInfo,
                                                   const GUID* interfaceClass, DWORD memberIndex,
                                                   PSP_DEVICE_INTERFACE_DATA interfaceData) {
  auto set = setOf(handle);
  if (!set) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  if (!interfaceData || interfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA) || !interfaceClass) {
    return fail(ERROR_INVALID_PARAMETER, FALSE);
  }
  if (deviceInfo && deviceInfo->cbSize != sizeof(SP_DEVINFO_DATA)) {
    return fail(ERROR_INVALID_PARAMETER, FALSE);
  }
  DWORD seen = 0;
  for (size_t i = 0; i < set->interfaces.size(); ++i) {
    if (!(set->classes[i] == *interfaceClass)) {
      continue;
    }
    if (deviceInfo && set->interfaces[i].devInst != deviceInfo->DevInst) {
      continue;
    }
    if (seen++ == memberIndex) {
      interfaceData->InterfaceClassGuid = set->classes[i];
      interfaceData->Flags = set->interfaces[i].present ? SPINT_ACTIVE : 0u;
      interfaceData->Reserved = i + 1;
      return TRUE;
    }
  }
  return fail(ERROR_NO_MORE_ITEMS, FALSE);
}

extern "C" BOOL WINAPI SetupDiGetDeviceInterfaceDetailA(HDEVINFO handle,
                                                        PSP_DEVICE_INTERFACE_DATA interfaceData,
                                                        PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail,
                                                        DWORD detailSize, PDWORD requiredSize,
                                                        PSP_DEVINFO_DATA deviceInfo) {
  auto set = setOf(handle);
  if (!set) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  if (!interfaceData || interfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA) ||
      interfaceData->Reserved == 0 || interfaceData->Reserved > set->interfaces.size()) {
    return fail(ERROR_INVALID_PARAMETER, FALSE);
  }
  // The record's cbSize is the size of the fixed part as the compiler lays it out: 5 on
  // 32-bit targets, 8 on 64-bit (setupapi.h packs it the way Windows does).
  if (detail && detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
    return fail(ERROR_INVALID_USER_BUFFER, FALSE);
  }
  if (!detail && detailSize) {
    return fail(ERROR_INVALID_USER_BUFFER, FALSE);
  }
  if (deviceInfo && deviceInfo->cbSize != sizeof(SP_DEVINFO_DATA)) {
    return fail(ERROR_INVALID_USER_BUFFER, FALSE);
  }
  const DeviceInterfaceRecord& record = set->interfaces[interfaceData->Reserved - 1];
  const DWORD needed = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) +
                                          record.devicePath.size() + 1);
  if (requiredSize) {
    *requiredSize = needed;
  }
  if (deviceInfo) {
    deviceInfo->ClassGuid = record.setupClass;
    deviceInfo->DevInst = record.devInst;
    deviceInfo->Reserved = interfaceData->Reserved;
  }
  if (detailSize < needed) {
    return fail(ERROR_INSUFFICIENT_BUFFER, FALSE);
  }
  std::memcpy(detail->DevicePath, record.devicePath.c_str(), record.devicePath.size() + 1);
  return TRUE;
}

extern "C" BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO handle) {
  auto set = setOf(handle);
  if (!set) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  set.reset();
  removeHandle(static_cast<HANDLE>(handle));
  return TRUE;
}
