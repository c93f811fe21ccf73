// COM initialisation and activation of in-process servers.
//
// CoCreateInstance(CLSCTX_INPROC_SERVER) reads the default value of
// HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32 (an emulated path), loads that library with
// LoadLibraryA, asks its DllGetClassObject for the class factory and lets it create the
// object. Libraries stay loaded until CoFreeUnusedLibraries finds DllCanUnloadNow saying S_OK.
// Apartments are not emulated: the object is called directly on whatever thread calls it,
// whatever its ThreadingModel says.
#include <winapi/emu/internal/codepage.h>
#include <winapi/emu/internal/errors.h>

#include <cstdio>
#include <map>
#include <mutex>
#include <string>

namespace {

struct Apartment {
  int count = 0;
  DWORD model = COINIT_APARTMENTTHREADED;
};
thread_local Apartment apartment;

std::mutex& librariesMutex() {
  static auto* m = new std::mutex;
  return *m;
}
std::map<std::string, HMODULE>& libraries() { // upper-case path -> module
  static auto* table = new std::map<std::string, HMODULE>;
  return *table;
}

using GetClassObjectFunction = HRESULT(STDMETHODCALLTYPE*)(REFCLSID, REFIID, LPVOID*);
using CanUnloadNowFunction = HRESULT(STDMETHODCALLTYPE*)();

HRESULT serverPath(REFCLSID clsid, std::string& path) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(clsid.Data1), clsid.Data2, clsid.Data3, clsid.Data4[0], clsid.Data4[1],
                clsid.Data4[2], clsid.Data4[3], clsid.Data4[4], clsid.Data4[5], clsid.Data4[6],
                clsid.Data4[7]);
  const std::string keyName = std::string("CLSID\\") + text + "\\InprocServer32";
  HKEY key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, keyName.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return REGDB_E_CLASSNOTREG;
  }
  char value[1024];
  DWORD size = sizeof value - 1;
  DWORD type = 0;
  const LONG status = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return REGDB_E_CLASSNOTREG;
  }
  value[size] = '\0';
  path = value;
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') {
    path = path.substr(1, path.size() - 2);
  }
  return path.empty() ? REGDB_E_CLASSNOTREG : S_OK;
}

} // namespace

extern "C" HRESULT WINAPI CoInitializeEx(LPVOID, DWORD coInit) {
  const DWORD model = (coInit & COINIT_APARTMENTTHREADED) ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED;
  if (apartment.count > 0) {
    if (apartment.model != model) {
      return RPC_E_CHANGED_MODE;
    }
    ++apartment.count;
    return S_FALSE;
  }
  apartment.model = model;
  apartment.count = 1;
  return S_OK;
}

extern "C" HRESULT WINAPI CoInitialize(LPVOID reserved) {
  return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED);
}

extern "C" void WINAPI CoUninitialize() {
  if (apartment.count > 0) {
    --apartment.count;
  }
}

extern "C" HRESULT WINAPI CoGetClassObject(REFCLSID clsid, DWORD context, LPVOID, REFIID iid,
                                           LPVOID* object) {
  if (!object) {
    return E_INVALIDARG;
  }
  *object = nullptr;
  if (apartment.count == 0) {
    return CO_E_NOTINITIALIZED;
  }
  if (!(context & CLSCTX_INPROC_SERVER)) {
    return REGDB_E_CLASSNOTREG;
  }
  std::string path;
  if (HRESULT hr = serverPath(clsid, path); FAILED(hr)) {
    return hr;
  }
  HMODULE module = nullptr;
  {
    std::lock_guard lock(librariesMutex());
    const std::string key = kxemu::upperCase(path);
    auto it = libraries().find(key);
    if (it != libraries().end()) {
      module = it->second;
    } else {
      module = LoadLibraryA(path.c_str());
      if (!module) {
        const DWORD error = GetLastError();
        return error ? HRESULT_FROM_WIN32(error) : CO_E_DLLNOTFOUND;
      }
      libraries()[key] = module;
    }
  }
  auto entry = reinterpret_cast<GetClassObjectFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, "DllGetClassObject")));
  if (!entry) {
    return CO_E_ERRORINDLL;
  }
  return entry(clsid, iid, object);
}

extern "C" HRESULT WINAPI CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid,
                                           LPVOID* object) {
  if (!object) {
    return E_POINTER;
  }
  *object = nullptr;
  IClassFactory* factory = nullptr;
  HRESULT hr =
      CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, reinterpret_cast<LPVOID*>(&factory));
  if (FAILED(hr)) {
    return hr;
  }
  if (!factory) {
    return E_NOINTERFACE;
  }
  hr = factory->CreateInstance(outer, iid, object);
  factory->Release();
  return hr;
}

extern "C" void WINAPI CoFreeUnusedLibraries() {
  std::map<std::string, HMODULE> candidates;
  {
    std::lock_guard lock(librariesMutex());
    candidates = libraries();
  }
  for (const auto& [key, module] : candidates) {
    auto canUnload = reinterpret_cast<CanUnloadNowFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "DllCanUnloadNow")));
    if (canUnload && canUnload() == S_OK) {
      {
        std::lock_guard lock(librariesMutex());
        libraries().erase(key);
      }
      FreeLibrary(module);
    }
  }
}
