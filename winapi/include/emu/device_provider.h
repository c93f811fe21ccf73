#pragma once

// The seam between the emulated device I/O and whatever plays the kernel driver (devsim).
//
// CreateFileA on a device path ("\\?\..." other than "\\?\X:\...", or "\\.\...") asks the
// registered provider to open it; DeviceIoControl, ReadFile, WriteFile and CloseHandle on the
// handle go to the DeviceFile it returned (CloseHandle destroys it once no call is using it).
// SetupDiGetClassDevsA(DIGCF_DEVICEINTERFACE) takes the provider's list of interfaces of a
// class as one snapshot. With no provider, device paths fail with ERROR_FILE_NOT_FOUND and
// every interface class is empty.
//
// Calls arrive on any thread, possibly several at once; results are Windows error codes.
#include <winapi/include/emu/wintypes.h>

#include <memory>
#include <string>
#include <vector>

namespace kxemu {

// One device interface as SetupAPI reports it.
struct DeviceInterfaceRecord {
  std::string devicePath; // SP_DEVICE_INTERFACE_DETAIL_DATA_A::DevicePath, e.g. "\\?\usb#vid_..#{guid}"
  DWORD devInst = 0;      // SP_DEVINFO_DATA::DevInst, the device instance handle (not 0)
  GUID setupClass{};      // SP_DEVINFO_DATA::ClassGuid, the device's setup class
  std::string instanceId; // the device instance id, e.g. "USB\VID_1111&PID_2222\5&1A2B3C&0&1"
  bool present = true;    // false: known but not plugged in (not listed with DIGCF_PRESENT)
};

// An open device path: one per successful CreateFileA.
class DeviceFile {
public:
  virtual ~DeviceFile() = default;

  // DeviceIoControl: true on success with returned bytes in `returned`; false with a Windows
  // error code in `error` (the caller sets it as the thread's last error). `returned` is
  // reported to the caller on failure too (ERROR_MORE_DATA style partial results).
  virtual bool ioControl(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD& returned,
                         DWORD& error) = 0;

  // ReadFile / WriteFile on the device; by default not supported.
  virtual bool read(void* buffer, DWORD size, DWORD& done, DWORD& error) {
    (void)buffer;
    (void)size;
    done = 0;
    error = ERROR_INVALID_FUNCTION;
    return false;
  }
  virtual bool write(const void* buffer, DWORD size, DWORD& done, DWORD& error) {
    (void)buffer;
    (void)size;
    done = 0;
    error = ERROR_INVALID_FUNCTION;
    return false;
  }
};

class DeviceProvider {
public:
  virtual ~DeviceProvider() = default;

  // CreateFileA(path, access, share, ..., disposition, flags): the path exactly as the caller
  // wrote it (matching should ignore case, as Windows does). Null with `error` set on failure
  // (ERROR_FILE_NOT_FOUND for an unknown path, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION...).
  virtual std::unique_ptr<DeviceFile> open(const std::string& path, DWORD access, DWORD share,
                                           DWORD disposition, DWORD flags, DWORD& error) = 0;

  // The interfaces of one interface class, in enumeration order; presentOnly for DIGCF_PRESENT.
  virtual std::vector<DeviceInterfaceRecord> interfaces(const GUID& interfaceClass, bool presentOnly) = 0;
};

// Registers the process's provider (replacing any earlier one); null unregisters. Handles
// already open keep the provider that opened them alive.
void setDeviceProvider(std::shared_ptr<DeviceProvider> provider);
std::shared_ptr<DeviceProvider> deviceProvider();

// True for the paths that CreateFileA routes to the provider.
bool isDevicePath(const char* path);

} // namespace kxemu
