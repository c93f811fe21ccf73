#include <driver/host/server_registration.h>
#include <kxtools/inc/kxstring.h>

#include <vector>

namespace {

constexpr DWORD kMaxModulePath = 360;
constexpr int kMaxClassIdText = 100;

// Lower case as the ANSI code page (Windows-1252) has it.
void lowerAnsi(KxString& text) {
  char* p = text.buffer();
  for (std::int32_t i = 0; i < text.length(); ++i) {
    const auto c = static_cast<unsigned char>(p[i]);
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
      p[i] = static_cast<char>(c + 0x20);
    } else if (c == 0x8A || c == 0x8C || c == 0x8E) {
      p[i] = static_cast<char>(c + 0x10);
    } else if (c == 0x9F) {
      p[i] = static_cast<char>(0xFF);
    }
  }
}

// The module's full file name in lower case and the class id in its text form.
struct ServerNames {
  KxString fileName;
  KxString classId;
};

LONG serverNames(const KxServerIdentity& identity, ServerNames& names) {
  const HMODULE module = GetModuleHandleA(identity.moduleName);
  if (module == nullptr) {
    return kModuleNotFound;
  }
  char file[kMaxModulePath + 1] = {};
  if (GetModuleFileNameA(module, file, kMaxModulePath) == 0 || file[0] == '\0') {
    return kModuleFileNameEmpty;
  }
  names.fileName = KxString(file);
  lowerAnsi(names.fileName);

  LPOLESTR wide = nullptr;
  if (FAILED(StringFromCLSID(*identity.classId, &wide)) || wide == nullptr) {
    return kClassIdTextFailed;
  }
  char narrow[kMaxClassIdText + 1] = {};
  const int converted = WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, kMaxClassIdText, nullptr, nullptr);
  CoTaskMemFree(wide);
  if (converted == 0) {
    return kClassIdNarrowFailed;
  }
  names.classId = KxString(narrow);
  return 0;
}

KxString joinPath(const char* a, const char* b) {
  KxString path;
  path.format("%s\\%s", a, b);
  return path;
}

bool keyExists(HKEY root, const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyA(root, path, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

void setString(HKEY key, const char* name, const KxString& text) {
  // Stored with the text's length, without its terminating zero.
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.text()),
                 static_cast<DWORD>(text.length()));
}

// The default value of root\path, empty when there is none.
KxString defaultValue(HKEY root, const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyA(root, path, &key) != ERROR_SUCCESS) {
    return KxString();
  }
  char data[kMaxModulePath + 2] = {};
  DWORD size = kMaxModulePath;
  DWORD type = 0;
  const LONG result = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS && type == REG_SZ ? KxString(data) : KxString();
}

void collectSubKeys(HKEY root, const KxString& path, std::vector<KxString>& order) {
  HKEY key = nullptr;
  if (RegOpenKeyA(root, path.text(), &key) != ERROR_SUCCESS) {
    return;
  }
  std::vector<KxString> children;
  char name[MAX_PATH + 1];
  for (DWORD index = 0; RegEnumKeyA(key, index, name, sizeof name) == ERROR_SUCCESS; ++index) {
    children.push_back(joinPath(path.text(), name));
  }
  RegCloseKey(key);
  for (const KxString& child : children) {
    collectSubKeys(root, child, order);
    order.push_back(child);
  }
}

void writeClassKey(const KxServerIdentity& identity, const ServerNames& names, const KxString& classKey) {
  HKEY key = nullptr;
  if (RegCreateKeyA(HKEY_CLASSES_ROOT, classKey.text(), &key) != ERROR_SUCCESS) {
    return;
  }
  setString(key, nullptr, KxString(identity.description));
  HKEY server = nullptr;
  if (RegCreateKeyA(key, "InprocServer32", &server) == ERROR_SUCCESS) {
    setString(server, nullptr, names.fileName);
    setString(server, "ThreadingModel", KxString(identity.threadingModel));
    RegCloseKey(server);
  }
  RegCloseKey(key);
}

void writeDriverKey(const KxServerIdentity& identity, const ServerNames& names, const KxString& driverKey) {
  HKEY asio = nullptr;
  if (RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\ASIO", &asio) == ERROR_SUCCESS) {
    RegCloseKey(asio);
  }
  HKEY key = nullptr;
  if (RegCreateKeyA(HKEY_LOCAL_MACHINE, driverKey.text(), &key) != ERROR_SUCCESS) {
    return;
  }
  setString(key, "CLSID", names.classId);
  setString(key, "Description", KxString(identity.description));
  RegCloseKey(key);
}

KxString driverKeyPath(const KxServerIdentity& identity) {
  KxString path;
  path.format("%s\\%s\\%s", "SOFTWARE", "ASIO", identity.driverName);
  return path;
}

} // namespace

void deleteKeyTree(HKEY root, const char* path) {
  std::vector<KxString> order;
  collectSubKeys(root, KxString(path), order);
  for (const KxString& key : order) {
    RegDeleteKeyA(root, key.text());
  }
  RegDeleteKeyA(root, path);
}

LONG registerServer(const KxServerIdentity& identity) {
  ServerNames names;
  if (const LONG error = serverNames(identity, names); error != 0) {
    return error;
  }
  const KxString classKey = joinPath("CLSID", names.classId.text());
  if (keyExists(HKEY_CLASSES_ROOT, classKey.text())) {
    KxString registered = defaultValue(HKEY_CLASSES_ROOT, joinPath(classKey.text(), "InprocServer32").text());
    lowerAnsi(registered);
    if (registered.compareTo(names.fileName) != 0) {
      // A stale registration of another file of the library.
      deleteKeyTree(HKEY_CLASSES_ROOT, classKey.text());
      writeClassKey(identity, names, classKey);
    }
  } else {
    writeClassKey(identity, names, classKey);
  }

  const KxString driverKey = driverKeyPath(identity);
  if (keyExists(HKEY_LOCAL_MACHINE, driverKey.text())) {
    deleteKeyTree(HKEY_LOCAL_MACHINE, driverKey.text());
  }
  writeDriverKey(identity, names, driverKey);
  return 0;
}

LONG unregisterServer(const KxServerIdentity& identity) {
  ServerNames names;
  if (const LONG error = serverNames(identity, names); error != 0) {
    return error;
  }
  const KxString classKey = joinPath("CLSID", names.classId.text());
  if (keyExists(HKEY_CLASSES_ROOT, classKey.text())) {
    deleteKeyTree(HKEY_CLASSES_ROOT, classKey.text());
  }
  const KxString driverKey = driverKeyPath(identity);
  if (keyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\ASIO") && keyExists(HKEY_LOCAL_MACHINE, driverKey.text())) {
    deleteKeyTree(HKEY_LOCAL_MACHINE, driverKey.text());
  }
  return 0;
}
