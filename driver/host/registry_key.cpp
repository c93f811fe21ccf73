#include <driver/host/registry_key.h>
#include <winapi/include/winapi.h>

#include <cstring>
#include <vector>

namespace {

// A key handle that closes itself.
class OpenKey {
public:
  OpenKey(const char* path, bool create) {
    if (create) {
      ok_ = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_READ | KEY_WRITE, nullptr, &key_, nullptr) == ERROR_SUCCESS;
    } else {
      ok_ = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key_) == ERROR_SUCCESS;
    }
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  ~OpenKey() {
    if (ok_) {
      RegCloseKey(key_);
    }
  }
  explicit operator bool() const { return ok_; }
  HKEY get() const { return key_; }

private:
  HKEY key_{};
  bool ok_ = false;
};

} // namespace

std::unique_ptr<KxRegistryKey> KxRegistryKey::subKey(const char* name) const {
  KxString path(path_);
  path.append("\\");
  path.append(name);
  return std::make_unique<KxRegistryKey>(path);
}

bool KxRegistryKey::readDword(const char* name, std::uint32_t& value) const {
  const OpenKey key(path_.text(), false);
  if (!key) {
    return false;
  }
  DWORD type = 0;
  DWORD data = 0;
  DWORD size = sizeof data;
  if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof data) {
    return false;
  }
  value = data;
  return true;
}

bool KxRegistryKey::writeDword(const char* name, std::uint32_t value) const {
  const OpenKey key(path_.text(), true);
  const DWORD data = value;
  return key && RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                               sizeof data) == ERROR_SUCCESS;
}

bool KxRegistryKey::readString(const char* name, KxString& text) const {
  const OpenKey key(path_.text(), false);
  DWORD type = 0;
  DWORD size = 0;
  if (!key || RegQueryValueExA(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return false;
  }
  // The stored text need not carry its terminator; one more byte keeps it terminated.
  std::vector<BYTE> data(size + 1, 0);
  if (RegQueryValueExA(key.get(), name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return false;
  }
  text.assign(KxString(reinterpret_cast<const char*>(data.data())));
  return true;
}

bool KxRegistryKey::writeString(const char* name, const char* text) const {
  const OpenKey key(path_.text(), true);
  // Stored with the text's length without its terminator.
  return key && RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                               static_cast<DWORD>(std::strlen(text))) == ERROR_SUCCESS;
}

bool KxRegistryKey::ensureKey(const char* path) { return static_cast<bool>(OpenKey(path, true)); }
