#include "driver_list.h"

#include <winapi/include/winapi.h>

namespace {

std::string stringValue(HKEY key, const char* name) {
  char data[512] = {};
  DWORD size = sizeof data - 1;
  DWORD type = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  return std::string(data);
}

} // namespace

std::vector<RegisteredDriver> registeredDrivers() {
  std::vector<RegisteredDriver> drivers;
  HKEY asio = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\ASIO", 0, KEY_READ, &asio) != ERROR_SUCCESS) {
    return drivers;
  }
  char name[MAX_PATH + 1];
  for (DWORD index = 0; RegEnumKeyA(asio, index, name, sizeof name) == ERROR_SUCCESS; ++index) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(asio, name, 0, KEY_READ, &key) != ERROR_SUCCESS) {
      continue;
    }
    drivers.push_back({name, stringValue(key, "CLSID"), stringValue(key, "Description")});
    RegCloseKey(key);
  }
  RegCloseKey(asio);
  return drivers;
}
