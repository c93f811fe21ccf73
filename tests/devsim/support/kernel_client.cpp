#include "kernel_client.h"

#include <devsim/include/devsim_c.h>
#include <driver/device/kernel_calls.h>

namespace devsimtest {
std::string interfaceDetail(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& data, SP_DEVINFO_DATA& info) {
  DWORD needed = 0;
  SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &needed, nullptr);
  std::vector<char> storage(needed + sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A));
  auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(storage.data());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  info.cbSize = sizeof info;
  return SetupDiGetDeviceInterfaceDetailA(set, &data, detail, needed, nullptr, &info) ? detail->DevicePath
                                                                                      : "";
}

const kernel::KernelAccess* devsimTable() {
  HMODULE module = GetModuleHandleA("devsim.dll");
  if (!module) {
    return nullptr;
  }
  auto entry = reinterpret_cast<kernel::KernelAccessExport>(
      reinterpret_cast<void*>(GetProcAddress(module, kernel::kKernelAccessExport)));
  return entry ? entry() : nullptr;
}

const kernel::KernelAccess* systemTable() {
#if defined(_WIN32)
  return nullptr;
#else
  // The driver library's own table: the tests see devsim exactly as the driver does.
  return &systemKernelCalls();
#endif
}

std::vector<Backend> backends() {
  std::vector<Backend> list;
  if (systemTable()) {
    list.push_back({"system", systemTable()});
  }
  list.push_back({"table", devsimKernelAccess()});
  return list;
}

std::vector<FoundInterface> KernelClient::enumerate(const GUID& interfaceClass) const {
  std::vector<FoundInterface> found;
  for (DWORD index = 0;; ++index) {
    DWORD required = 0;
    DWORD devInst = 0;
    if (access_.enumerateInterface(&interfaceClass, index, nullptr, 0, &required, &devInst) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
      return found;
    }
    std::string path(required, '\0');
    if (!access_.enumerateInterface(&interfaceClass, index, path.data(), required, nullptr, &devInst)) {
      return found;
    }
    path.resize(required - 1);
    found.push_back({path, devInst});
  }
}

HANDLE KernelClient::open(const std::string& path, DWORD* error, DWORD disposition) const {
  HANDLE handle = access_.open(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               disposition, 0);
  if (error) {
    *error = handle == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
  }
  return handle;
}

Reply KernelClient::request(HANDLE handle, std::uint32_t code, const void* in, DWORD inSize, void* out,
                            DWORD outSize) const {
  Reply reply;
  SetLastError(ERROR_SUCCESS);
  reply.ok =
      access_.ioControl(handle, code, const_cast<void*>(in), inSize, out, outSize, &reply.returned) != FALSE;
  reply.error = reply.ok ? ERROR_SUCCESS : GetLastError();
  return reply;
}

OpenDevice::OpenDevice(const KernelClient& kernelClient, const std::string& path) : client(kernelClient) {
  control = client.open(path);
  streaming = client.open(path + kernel::kStreamingPathSuffix);
}

OpenDevice::~OpenDevice() {
  closeStreaming();
  if (control != INVALID_HANDLE_VALUE) {
    client.close(control);
  }
}

void OpenDevice::closeStreaming() {
  if (streaming != INVALID_HANDLE_VALUE) {
    client.close(streaming);
    streaming = INVALID_HANDLE_VALUE;
  }
}

} // namespace devsimtest
