// On Windows the configuration is named by KX_DEVSIM_CONF, or lies beside devsim.dll.
#include <winapi/include/winapi.h>

#include "configuration.h"

#include <cstdlib>

namespace devsim {
namespace {

int anchor; // any address inside this DLL

} // namespace

std::string startConfigurationPath() {
  if (const char* named = std::getenv("KX_DEVSIM_CONF"); named && *named) {
    return named;
  }
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(&anchor), &module)) {
    return {};
  }
  char path[MAX_PATH];
  const DWORD size = GetModuleFileNameA(module, path, MAX_PATH);
  if (size == 0 || size >= MAX_PATH) {
    return {};
  }
  std::string folder(path, size);
  return folder.substr(0, folder.find_last_of("\\/") + 1) + "devsim.conf";
}

} // namespace devsim
