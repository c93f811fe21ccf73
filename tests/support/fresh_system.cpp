#include "fresh_system.h"

#include <driver/host/driver_identity.h>
#include <driver/host/server_registration.h>

#if !defined(_WIN32)
#include <winapi/include/emu/kxemu.h>

#include <cstdlib>
#include <filesystem>
#endif

#include <string>

namespace kxtest {

namespace {

void forgetDriver() {
  deleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\ASIO\\Corvanta ASIO driver");
  deleteKeyTree(HKEY_CLASSES_ROOT, "CLSID\\{5C3E8A21-7D4B-4F19-A6C2-3B8E9D0F1A64}");
}

} // namespace

void FreshSystem::SetUp() {
#if !defined(_WIN32)
  char pattern[] = "/tmp/corvanta-test-root-XXXXXX";
  root_ = mkdtemp(pattern);
  kxemu::setSystemRoot(root_);
#endif
  forgetDriver();
}

void FreshSystem::TearDown() {
  forgetDriver();
#if !defined(_WIN32)
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
#endif
}

void FreshSystem::storeSetting(const char* name, DWORD value, bool asString) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, kSettingsPath, &key), ERROR_SUCCESS);
  if (asString) {
    const std::string text = std::to_string(value);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
  } else {
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  }
  RegCloseKey(key);
}

long long FreshSystem::storedSetting(const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kSettingsPath, &key) != ERROR_SUCCESS) {
    return -1;
  }
  DWORD value = 0;
  DWORD size = sizeof value;
  DWORD type = 0;
  const LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS && type == REG_DWORD ? static_cast<long long>(value) : -1;
}

std::string windowsPathOf(const std::string& hostPath) {
  std::string path = "Z:" + hostPath;
  for (char& c : path) {
    if (c == '/') {
      c = '\\';
    }
  }
  return path;
}

} // namespace kxtest
