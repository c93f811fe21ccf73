#pragma once

// The driver library's view of the kernel driver, for the tests: find the interfaces, open
// both handles, send requests. It runs over a kernel-call table: the system's calls
// (SetupAPI, CreateFileA, DeviceIoControl, CloseHandle), which the emulated system routes to
// devsim, or devsim's own table, the one the Windows driver uses when simulation is on.
#include <abi/kernel.h>
#include <abi/kernel_access.h>
#include <winapi/include/winapi.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace devsimtest {

struct Backend {
  std::string name;
  const kernel::KernelAccess* access;
};
inline void PrintTo(const Backend& backend, std::ostream* out) { *out << backend.name; }

// Every route to the kernel driver this platform has: "system" (not on Windows, where the
// system's calls reach real hardware) and "table".
std::vector<Backend> backends();
// devsim's table, found as the driver finds it: the export of the loaded devsim module.
const kernel::KernelAccess* devsimTable();
// The system's calls as a table.
const kernel::KernelAccess* systemTable();

// The detail of one interface of a SetupAPI set: its path, and its device in `info`; empty
// when it cannot be read.
std::string interfaceDetail(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& data, SP_DEVINFO_DATA& info);

struct FoundInterface {
  std::string path;
  DWORD devInst = 0;
};

struct Reply {
  bool ok = false;
  DWORD error = 0;
  DWORD returned = 0;
};

class KernelClient {
public:
  explicit KernelClient(const kernel::KernelAccess& access) : access_(access) {}

  std::vector<FoundInterface> enumerate(const GUID& interfaceClass = kernel::kInterfaceClass) const;
  // INVALID_HANDLE_VALUE with `error` on failure.
  HANDLE open(const std::string& path, DWORD* error = nullptr, DWORD disposition = OPEN_EXISTING) const;
  bool close(HANDLE handle) const { return access_.close(handle) != FALSE; }
  Reply request(HANDLE handle, std::uint32_t code, const void* in, DWORD inSize, void* out,
                DWORD outSize) const;
  // A request passing its block as the output buffer, as every request but the class request.
  template <typename T>
  Reply send(HANDLE handle, std::uint32_t code, T& block) const {
    return request(handle, code, nullptr, 0, &block, sizeof(T));
  }

private:
  const kernel::KernelAccess& access_;
};

// The two handles of one device, closed at the end of the scope.
class OpenDevice {
public:
  OpenDevice(const KernelClient& client, const std::string& path);
  ~OpenDevice();
  OpenDevice(const OpenDevice&) = delete;
  OpenDevice& operator=(const OpenDevice&) = delete;

  bool isOpen() const { return control != INVALID_HANDLE_VALUE && streaming != INVALID_HANDLE_VALUE; }
  void closeStreaming();

  const KernelClient client;
  HANDLE control = INVALID_HANDLE_VALUE;
  HANDLE streaming = INVALID_HANDLE_VALUE;
};

} // namespace devsimtest
