// The kernel-call table (abi/kernel_access.h). Its handles are devsim's own values, mapped
// to open device files; a file in use by a call stays alive until the call returns.
#include <devsim/include/devsim_c.h>

#include "simulator.h"

#include <cstring>
#include <map>
#include <mutex>

namespace devsim {
namespace {

struct HandleTable {
  std::mutex mutex;
  std::map<std::uintptr_t, std::shared_ptr<KernelFile>> files;
  std::uintptr_t next = 0x10000;
};

HandleTable& handles() {
  static auto* table = new HandleTable; // never destroyed: handles may be closed during exit
  return *table;
}

std::shared_ptr<KernelFile> fileOf(HANDLE device) {
  HandleTable& table = handles();
  std::lock_guard lock(table.mutex);
  const auto found = table.files.find(reinterpret_cast<std::uintptr_t>(device));
  return found == table.files.end() ? nullptr : found->second;
}

BOOL WINAPI enumerateInterface(const GUID* interfaceClass, DWORD index, char* path, DWORD pathSize,
                               DWORD* required, DWORD* devInst) {
  if (!interfaceClass) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const auto entries = Simulator::instance().interfaces(*interfaceClass, true);
  if (index >= entries.size()) {
    SetLastError(ERROR_NO_MORE_ITEMS);
    return FALSE;
  }
  const InterfaceEntry& entry = entries[index];
  const auto size = static_cast<DWORD>(entry.devicePath.size() + 1);
  if (required) {
    *required = size;
  }
  if (devInst) {
    *devInst = entry.devInst;
  }
  if (!path || pathSize < size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(path, entry.devicePath.c_str(), size);
  return TRUE;
}

HANDLE WINAPI openDevice(const char* path, DWORD, DWORD, DWORD disposition, DWORD) {
  DWORD error = ERROR_FILE_NOT_FOUND;
  std::shared_ptr<KernelFile> file = path ? Simulator::instance().open(path, disposition, error) : nullptr;
  if (!file) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }
  HandleTable& table = handles();
  std::lock_guard lock(table.mutex);
  const std::uintptr_t value = table.next;
  table.next += 4;
  table.files[value] = std::move(file);
  SetLastError(ERROR_SUCCESS);
  return reinterpret_cast<HANDLE>(value);
}

BOOL WINAPI ioControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                      DWORD* returned) {
  const auto file = fileOf(device);
  if (!file) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DWORD count = 0;
  DWORD error = ERROR_SUCCESS;
  const bool ok = file->ioControl(code, in, inSize, out, outSize, count, error);
  if (returned) {
    *returned = count;
  }
  if (!ok) {
    SetLastError(error);
  }
  return ok ? TRUE : FALSE;
}

BOOL WINAPI closeDevice(HANDLE device) {
  std::shared_ptr<KernelFile> file;
  {
    HandleTable& table = handles();
    std::lock_guard lock(table.mutex);
    const auto found = table.files.find(reinterpret_cast<std::uintptr_t>(device));
    if (found == table.files.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    file = std::move(found->second);
    table.files.erase(found);
  }
  file.reset(); // closing may stop a stream: outside the table's lock
  return TRUE;
}

const kernel::KernelAccess kTable{sizeof(kernel::KernelAccess),
                                  kernel::kKernelAccessVersion,
                                  enumerateInterface,
                                  openDevice,
                                  ioControl,
                                  closeDevice};

} // namespace
} // namespace devsim

extern "C" const kernel::KernelAccess* devsimKernelAccess() { return &devsim::kTable; }
