#include <driver/device/device_manager.h>
#include <driver/host/driver_identity.h>

namespace {
constexpr const char* kWindowClass = "KxDeviceManager";
} // namespace

KxDeviceManager::KxDeviceManager(AsioDriver* /*owner*/) {
  const HINSTANCE module = GetModuleHandleA(kModuleFileName);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = &KxDeviceManager::windowProcedure;
  windowClass.hInstance = module;
  windowClass.lpszClassName = kWindowClass;
  if (RegisterClassA(&windowClass) == 0) {
    const DWORD error = GetLastError();
    if (error != 0 && error != ERROR_CLASS_ALREADY_EXISTS) {
      return; // without the window the manager hears no broadcasts
    }
  }
  window_ = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, nullptr, nullptr, module, nullptr);
  if (window_ != nullptr) {
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
}

KxDeviceManager::~KxDeviceManager() {
  devices_.deleteAll();
  if (window_ != nullptr) {
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
}

LRESULT CALLBACK KxDeviceManager::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}
