// Device paths and DeviceIoControl, routed to the registered device provider.
#include <winapi/emu/internal/devices.h>
#include <winapi/emu/internal/errors.h>

#include <cctype>
#include <mutex>

namespace kxemu {
namespace {
std::mutex& providerMutex() {
  static auto* m = new std::mutex;
  return *m;
}
std::shared_ptr<DeviceProvider>& providerSlot() {
  static auto* slot = new std::shared_ptr<DeviceProvider>;
  return *slot;
}
bool slash(char c) { return c == '\\' || c == '/'; }
} // namespace

void setDeviceProvider(std::shared_ptr<DeviceProvider> provider) {
  std::lock_guard lock(providerMutex());
  providerSlot() = std::move(provider);
}

std::shared_ptr<DeviceProvider> deviceProvider() {
  std::lock_guard lock(providerMutex());
  return providerSlot();
}

bool isDevicePath(const char* path) {
  if (!path || !slash(path[0]) || !slash(path[1]) || (path[2] != '?' && path[2] != '.') || !slash(path[3])) {
    return false;
  }
  // "\\?\C:\..." is a file path in the long form.
  const bool drive = std::isalpha(static_cast<unsigned char>(path[4])) && path[5] == ':' &&
                     (path[6] == '\0' || slash(path[6]));
  return !(path[2] == '?' && drive);
}

HANDLE openDevicePath(LPCSTR path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  auto provider = deviceProvider();
  if (!provider) {
    return fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
  }
  DWORD error = ERROR_SUCCESS;
  auto file = provider->open(path, access, share, disposition, flags, error);
  if (!file) {
    return fail(error ? error : static_cast<DWORD>(ERROR_FILE_NOT_FOUND), INVALID_HANDLE_VALUE);
  }
  SetLastError(ERROR_SUCCESS);
  return insertHandle(std::make_shared<DeviceObject>(std::move(provider), std::move(file)));
}

} // namespace kxemu

using namespace kxemu;

extern "C" BOOL WINAPI DeviceIoControl(HANDLE device, DWORD code, LPVOID inBuffer, DWORD inSize,
                                       LPVOID outBuffer, DWORD outSize, LPDWORD bytesReturned,
                                       LPOVERLAPPED overlapped) {
  auto object = lookupHandle(device);
  if (!object) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  if (object->kind() == ObjectKind::File) {
    if (bytesReturned) {
      *bytesReturned = 0;
    }
    return fail(ERROR_INVALID_FUNCTION, FALSE); // no file-system control codes are emulated
  }
  if (object->kind() != ObjectKind::Device) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  auto* dev = static_cast<DeviceObject*>(object.get());
  DWORD returned = 0;
  DWORD error = ERROR_SUCCESS;
  const bool ok = dev->file->ioControl(code, inBuffer, inSize, outBuffer, outSize, returned, error);
  if (bytesReturned) {
    *bytesReturned = returned;
  }
  if (overlapped) {
    overlapped->Internal = ok ? 0 : error;
    overlapped->InternalHigh = returned;
    if (overlapped->hEvent) {
      SetEvent(overlapped->hEvent);
    }
  }
  if (!ok) {
    return fail(error ? error : static_cast<DWORD>(ERROR_GEN_FAILURE), FALSE);
  }
  return TRUE;
}
