#include <driver/device/kernel_calls.h>
#include <driver/host/driver_identity.h>
#include <driver/host/registry_key.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

BOOL WINAPI systemEnumerate(const GUID* interfaceClass, DWORD index, char* path, DWORD pathSize,
                            DWORD* required, DWORD* devInst) {
  const HDEVINFO set =
      SetupDiGetClassDevsA(interfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) {
    return FALSE;
  }
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof data;
  BOOL ok = SetupDiEnumDeviceInterfaces(set, nullptr, interfaceClass, index, &data);
  if (ok) {
    DWORD size = 0;
    SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &size, nullptr);
    std::vector<std::uint8_t> storage(
        size > sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) ? size : sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A));
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(storage.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    ok = SetupDiGetDeviceInterfaceDetailA(set, &data, detail, static_cast<DWORD>(storage.size()), nullptr,
                                          &device);
    if (ok) {
      const auto length = static_cast<DWORD>(std::strlen(detail->DevicePath) + 1);
      if (required != nullptr) {
        *required = length;
      }
      if (length > pathSize) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        ok = FALSE;
      } else {
        std::memcpy(path, detail->DevicePath, length);
        if (devInst != nullptr) {
          *devInst = device.DevInst;
        }
      }
    }
  }
  const DWORD error = GetLastError();
  SetupDiDestroyDeviceInfoList(set);
  SetLastError(error);
  return ok;
}

HANDLE WINAPI systemOpen(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  return CreateFileA(path, access, share, nullptr, disposition, flags, nullptr);
}

BOOL WINAPI systemIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                            DWORD* returned) {
  return DeviceIoControl(device, code, in, inSize, out, outSize, returned, nullptr);
}

BOOL WINAPI systemClose(HANDLE device) { return CloseHandle(device); }

const kernel::KernelAccess kSystemCalls = {sizeof(kernel::KernelAccess),
                                           kernel::kKernelAccessVersion,
                                           &systemEnumerate,
                                           &systemOpen,
                                           &systemIoControl,
                                           &systemClose};

#if defined(_WIN32)
// The simulated kernel driver's DLL, when the simulation is switched on: KX_DEVSIM ("1" for
// devsim.dll on the search path, else its path), else the DeviceSimulator setting.
const kernel::KernelAccess* simulatedCalls() {
  KxString library;
  if (const char* variable = std::getenv("KX_DEVSIM");
      variable != nullptr && std::strcmp(variable, "0") != 0) {
    library = KxString(std::strcmp(variable, "1") == 0 ? "devsim.dll" : variable);
  } else if (!KxRegistryKey(KxString(kSettingsPath)).readString("DeviceSimulator", library)) {
    return nullptr;
  }
  if (library.isEmpty()) {
    return nullptr;
  }
  const HMODULE module = LoadLibraryA(library.text());
  if (module == nullptr) {
    return nullptr;
  }
  const auto entry = reinterpret_cast<kernel::KernelAccessExport>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, kernel::kKernelAccessExport)));
  const kernel::KernelAccess* table = entry != nullptr ? entry() : nullptr;
  if (table == nullptr || table->size != sizeof(kernel::KernelAccess) ||
      table->version != kernel::kKernelAccessVersion) {
    return nullptr;
  }
  return table;
}
#endif

} // namespace

const kernel::KernelAccess& systemKernelCalls() { return kSystemCalls; }

const kernel::KernelAccess& kernelCalls() {
#if defined(_WIN32)
  static const kernel::KernelAccess* const chosen = [] {
    const kernel::KernelAccess* simulated = simulatedCalls();
    return simulated != nullptr ? simulated : &kSystemCalls;
  }();
  return *chosen;
#else
  // The emulated system routes the system's calls to the simulated kernel driver itself.
  return kSystemCalls;
#endif
}
