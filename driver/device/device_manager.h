#pragma once

#include <kxtools/inc/kxlist.h>
#include <winapi/include/winapi.h>

#include <cstdint>

class AsioDriver;
class UsbAudioDevice;

// The list of USB audio devices the kernel driver offers and the one in use. It owns a
// hidden top-level window of class "KxDeviceManager" so that it hears the system's
// device-change broadcasts on the thread that created it.
class KxDeviceManager {
public:
  explicit KxDeviceManager(AsioDriver* owner);
  KxDeviceManager(const KxDeviceManager&) = delete;
  KxDeviceManager& operator=(const KxDeviceManager&) = delete;
  virtual ~KxDeviceManager();

  UsbAudioDevice* currentDevice() const { return currentDevice_; }
  std::int32_t count() const { return devices_.count(); }
  HWND window() const { return window_; }

private:
  static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  KxList devices_;
  UsbAudioDevice* currentDevice_ = nullptr;
  HWND window_ = nullptr;
};
