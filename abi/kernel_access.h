#pragma once

// How the driver library reaches the kernel driver: the four calls its device layer makes,
// as a table. Normally the table wraps the system's calls (SetupAPI interface enumeration,
// CreateFileA, DeviceIoControl, CloseHandle). On Windows the simulated kernel driver,
// devsim.dll, offers the same calls, so the real driver library streams without hardware.
//
// Switching the simulation on (read by the driver library when it first looks for devices):
//   1. the environment variable KX_DEVSIM, when set and not "0": "1" loads "devsim.dll"
//      through the normal DLL search, any other text is the DLL's path;
//   2. otherwise the REG_SZ value "DeviceSimulator" in the driver's settings key
//      (HKLM\SOFTWARE\ASIO\Corvanta ASIO driver\Settings), when present and not empty, is
//      the DLL's path.
// The driver loads the DLL with LoadLibraryA, takes the export named kKernelAccessExport
// and calls it; a table whose size or version does not match is not used (the system's
// calls are). On Linux the emulated system already routes these calls to devsim, so the
// system's table is the only one there.
//
// Handles from a table's open go only to the same table's ioControl and close. Failures
// set the thread's last error, as the system calls do. The driver keeps devsim.dll loaded
// while it has a handle open or a stream running: the stream runs on devsim's threads.
#include <winapi/include/winapi.h>

#include <cstdint>

namespace kernel {

// The device-interface class of the kernel driver.
inline constexpr GUID kInterfaceClass = {
    0xA7D2F4C8, 0x1E36, 0x4B5A, {0x9C, 0x07, 0x6F, 0x2E, 0x8B, 0x4D, 0x3C, 0x19}};

inline constexpr std::uint32_t kKernelAccessVersion = 1;

struct KernelAccess {
  std::uint32_t size;    // sizeof(KernelAccess)
  std::uint32_t version; // kKernelAccessVersion

  // The present interface number `index` of `interfaceClass` (what SetupDiGetClassDevsA with
  // DIGCF_PRESENT | DIGCF_DEVICEINTERFACE, SetupDiEnumDeviceInterfaces and
  // SetupDiGetDeviceInterfaceDetailA give): its device path, zero-terminated, and its device
  // instance handle. `required` (optional) receives the path's size with its terminator.
  // FALSE with ERROR_NO_MORE_ITEMS past the last one, ERROR_INSUFFICIENT_BUFFER when the
  // path does not fit (nothing is written to `path` then).
  BOOL(WINAPI* enumerateInterface)
  (const GUID* interfaceClass, DWORD index, char* path, DWORD pathSize, DWORD* required, DWORD* devInst);
  // CreateFileA on a device path; INVALID_HANDLE_VALUE on failure.
  HANDLE(WINAPI* open)(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD flags);
  // DeviceIoControl without overlapped I/O.
  BOOL(WINAPI* ioControl)
  (HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned);
  BOOL(WINAPI* close)(HANDLE device);
};

// The DLL export: extern "C" const KernelAccess* devsimKernelAccess(void), C calling convention.
using KernelAccessExport = const KernelAccess* (*)();
inline constexpr char kKernelAccessExport[] = "devsimKernelAccess";

} // namespace kernel
