// The library's exported entry points: the COM in-process server and its registration.
#include <driver/host/asio_driver.h>
#include <driver/host/class_factory.h>
#include <driver/host/driver_identity.h>
#include <driver/host/registry_key.h>
#include <driver/host/server_exports.h>
#include <driver/host/server_registration.h>
#include <kxtools/inc/kxstring.h>

#if defined(_WIN32)
#define KX_EXPORT
#else
#define KX_EXPORT __attribute__((visibility("default")))
#endif

namespace {

const KxFactoryTemplate kTemplates[] = {
    {OLESTR("Qel - Corvanta ASIO driver"), &kDriverClassId, &AsioDriver::create},
};

const KxServerIdentity kIdentity = {&kDriverClassId, kModuleFileName, kDriverName, kDriverDescription,
                                    kThreadingModel};

HRESULT reportFailure(const char* what, LONG result) {
  KxString text;
  text.format("%s Server failed ! (%d)", what, static_cast<int>(result));
  MessageBoxA(nullptr, text.text(), kDriverName, MB_OK);
  return static_cast<HRESULT>(-1);
}

} // namespace

extern "C" {

KX_EXPORT BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

KX_EXPORT HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* object) {
  return kxGetClassObject(kTemplates, static_cast<int>(sizeof kTemplates / sizeof kTemplates[0]), classId,
                          iid, object);
}

KX_EXPORT HRESULT STDMETHODCALLTYPE DllCanUnloadNow() {
  return (comLockCount() > 0 || comObjectCount() != 0) ? S_FALSE : S_OK;
}

KX_EXPORT HRESULT STDMETHODCALLTYPE DllRegisterServer() {
  KxRegistryKey::ensureKey("SOFTWARE\\ASIO");
  const LONG result = registerServer(kIdentity);
  return result != 0 ? reportFailure("Register", result) : S_OK;
}

KX_EXPORT HRESULT STDMETHODCALLTYPE DllUnregisterServer() {
  const LONG result = unregisterServer(kIdentity);
  return result != 0 ? reportFailure("Unregister", result) : S_OK;
}

} // extern "C"
