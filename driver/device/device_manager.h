#pragma once

#include <kxtools/inc/kxlist.h>
#include <winapi/include/winapi.h>

#include <atomic>
#include <cstdint>

class AsioDriver;
class UsbAudioDevice;

// The list of USB audio devices the kernel driver offers and the one in use. It owns a
// hidden top-level window of class "KxDeviceManager", so it hears the system's device-change
// broadcasts on the thread that created it; that thread owns the list.
class KxDeviceManager {
public:
  // Posted to the manager's window by the streaming thread when the kernel driver reports
  // the current device gone; wParam is the device's instance id.
  static constexpr UINT kRemoveGoneDevice = WM_APP + 0x4B;

  explicit KxDeviceManager(AsioDriver* owner);
  KxDeviceManager(const KxDeviceManager&) = delete;
  KxDeviceManager& operator=(const KxDeviceManager&) = delete;
  virtual ~KxDeviceManager();

  void enumerate(std::uint32_t instance, bool removeMissing);
  std::int32_t count() const { return devices_.count(); }
  UsbAudioDevice* at(std::int32_t index) const;
  UsbAudioDevice* findByInstance(std::uint32_t instance) const;
  UsbAudioDevice* currentDevice() const { return currentDevice_.load(std::memory_order_acquire); }
  bool selectDevice(std::int32_t index);
  void setCurrentDevice(UsbAudioDevice* device);
  void removeDevice(UsbAudioDevice* device);
  bool queryRemove(std::uint32_t instance) const;
  // From the streaming thread: the device is gone. The removal itself runs on the thread
  // that owns the list, through the window; without one it happens at once.
  void reportGone(UsbAudioDevice* device);

  void startStreaming(bool mme, std::int32_t allowance, std::int32_t frames);
  void stopStreaming();
  bool isStreaming() const { return streaming_; }
  HWND window() const { return window_; }

private:
  static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT onDeviceChange(HWND window, WPARAM event, LPARAM record);

  KxList devices_;
  std::atomic<UsbAudioDevice*> currentDevice_{nullptr};
  AsioDriver* owner_;
  bool streaming_ = false;
  std::int32_t latencyAllowance_ = 1000;
  std::int32_t frames_ = 32;
  bool mme_ = false;
  HWND window_ = nullptr;
};
