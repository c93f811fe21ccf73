#include <driver/device/device_manager.h>
#include <driver/device/kernel_audio_device.h>
#include <driver/device/kernel_calls.h>
#include <driver/host/asio_driver.h>
#include <driver/host/driver_identity.h>

#include <cstring>
#include <vector>

namespace {

constexpr const char* kWindowClass = "KxDeviceManager";
constexpr std::size_t kInstanceOffset = 12;

// The device node a broadcast names: the 32-bit word at byte 12 of its record, whatever the
// record's type; 0 when the record is too short to hold one.
std::uint32_t broadcastInstance(LPARAM record) {
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(record);
  if (header == nullptr || header->dbch_size < kInstanceOffset + sizeof(std::uint32_t)) {
    return 0;
  }
  std::uint32_t instance = 0;
  std::memcpy(&instance, reinterpret_cast<const std::uint8_t*>(record) + kInstanceOffset, sizeof instance);
  return instance;
}

// The interface number `index` of the kernel driver's class: its path and device node.
bool interfaceAt(DWORD index, KxString& path, DWORD& devInst) {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    DWORD required = 0;
    if (kernelCalls().enumerateInterface(&kernel::kInterfaceClass, index, buffer.data(),
                                         static_cast<DWORD>(buffer.size()), &required, &devInst)) {
      path = KxString(buffer.data());
      return true;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || required <= buffer.size()) {
      return false;
    }
    buffer.resize(required);
  }
}

const char* eventName(WPARAM event) {
  switch (event) {
  case DBT_QUERYCHANGECONFIG:
    return "DBT_QUERYCHANGECONFIG\n";
  case DBT_CONFIGCHANGED:
    return "DBT_CONFIGCHANGED\n";
  case DBT_CONFIGCHANGECANCELED:
    return "DBT_CONFIGCHANGECANCELED\n";
  case DBT_DEVICEQUERYREMOVEFAILED:
    return "DBT_DEVICEQUERYREMOVEFAILED\n";
  case DBT_DEVICEREMOVEPENDING:
    return "DBT_DEVICEREMOVEPENDING\n";
  case DBT_DEVICETYPESPECIFIC:
    return "DBT_DEVICETYPESPECIFIC\n";
  case DBT_USERDEFINED:
    return "DBT_USERDEFINED\n";
  default:
    return nullptr;
  }
}

} // namespace

KxDeviceManager::KxDeviceManager(AsioDriver* owner) : owner_(owner) {
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
  currentDevice_ = nullptr;
  devices_.deleteAll();
  if (window_ != nullptr) {
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
}

UsbAudioDevice* KxDeviceManager::at(std::int32_t index) const {
  return static_cast<UsbAudioDevice*>(devices_.at(index));
}

UsbAudioDevice* KxDeviceManager::findByInstance(std::uint32_t instance) const {
  for (std::int32_t i = 0; i < devices_.count(); ++i) {
    if (at(i)->instanceId() == instance) {
      return at(i);
    }
  }
  return nullptr;
}

void KxDeviceManager::enumerate(std::uint32_t instance, bool removeMissing) {
  KxList seen;
  KxString path;
  DWORD devInst = 0;
  for (DWORD index = 0; interfaceAt(index, path, devInst); ++index) {
    const bool exactHit = instance != 0 && devInst == instance;
    if (instance != 0 && !exactHit) {
      continue;
    }
    if (UsbAudioDevice* known = findByInstance(devInst)) {
      seen.add(known);
    } else {
      auto* device = new KernelAudioDevice(path, devInst);
      if (device->initialise(owner_->settingsKey())) {
        seen.add(device);
        devices_.add(device);
        owner_->devicesChanged();
      } else {
        delete device;
      }
    }
    if (exactHit) {
      break;
    }
  }
  if (removeMissing) {
    for (bool removed = true; removed;) {
      removed = false;
      for (std::int32_t i = 0; i < devices_.count() && !removed; ++i) {
        if (!seen.contains(at(i))) {
          removeDevice(at(i));
          removed = true;
        }
      }
    }
  }
  // The list itself holds the devices; the local one only marked them.
  seen.removeAll();
  if (currentDevice() == nullptr && devices_.count() > 0) {
    setCurrentDevice(at(0));
  }
}

void KxDeviceManager::setCurrentDevice(UsbAudioDevice* device) {
  if (device == currentDevice()) {
    return;
  }
  currentDevice_ = device;
  owner_->deviceChanged();
  if (streaming_) {
    startStreaming(mme_, latencyAllowance_, frames_);
  }
  owner_->restartStreaming();
}

bool KxDeviceManager::selectDevice(std::int32_t index) {
  UsbAudioDevice* device = at(index);
  if (device == nullptr) {
    return false;
  }
  const bool restart = device != currentDevice() && streaming_;
  if (restart) {
    stopStreaming();
  }
  currentDevice_ = device;
  if (restart) {
    startStreaming(mme_, latencyAllowance_, frames_);
  }
  owner_->deviceChanged();
  return true;
}

void KxDeviceManager::removeDevice(UsbAudioDevice* device) {
  if (device != nullptr) {
    devices_.remove(device);
    if (device == currentDevice()) {
      owner_->deviceLeaving(device);
      currentDevice_ = nullptr;
    }
    device->close(false);
    owner_->devicesChanged();
    if (device->isUnreferenced()) {
      delete device;
    }
  }
  if (currentDevice() == nullptr && devices_.count() > 0) {
    setCurrentDevice(at(0));
  }
}

bool KxDeviceManager::queryRemove(std::uint32_t instance) const {
  const UsbAudioDevice* device = findByInstance(instance);
  return device == nullptr || !device->isOpen();
}

void KxDeviceManager::reportGone(UsbAudioDevice* device) {
  if (window_ != nullptr && PostMessageA(window_, kRemoveGoneDevice, device->instanceId(), 0)) {
    return;
  }
  removeDevice(device);
}

void KxDeviceManager::startStreaming(bool mme, std::int32_t allowance, std::int32_t frames) {
  streaming_ = true;
  mme_ = mme;
  latencyAllowance_ = allowance;
  frames_ = frames;
  if (UsbAudioDevice* device = currentDevice()) {
    device->setMmeMode(mme);
    device->setupConverters(owner_->bufferSize());
    device->setStreaming(true, allowance, frames);
  }
}

void KxDeviceManager::stopStreaming() {
  streaming_ = false;
  if (UsbAudioDevice* device = currentDevice()) {
    device->setStreaming(false, 0, 0);
  }
}

LRESULT KxDeviceManager::onDeviceChange(HWND window, WPARAM event, LPARAM record) {
  switch (event) {
  case DBT_DEVNODES_CHANGED:
    enumerate(0, true);
    break;
  case DBT_DEVICEARRIVAL:
    enumerate(broadcastInstance(record), false);
    break;
  case DBT_DEVICEQUERYREMOVE:
    if (!queryRemove(broadcastInstance(record))) {
      return BROADCAST_QUERY_DENY;
    }
    break;
  case DBT_DEVICEREMOVECOMPLETE:
    removeDevice(findByInstance(broadcastInstance(record)));
    break;
  default:
    if (const char* name = eventName(event)) {
      OutputDebugStringA(name);
    }
    break;
  }
  return DefWindowProcA(window, WM_DEVICECHANGE, event, record);
}

LRESULT CALLBACK KxDeviceManager::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* manager = reinterpret_cast<KxDeviceManager*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (manager != nullptr) {
    if (message == WM_DEVICECHANGE) {
      return manager->onDeviceChange(window, wParam, lParam);
    }
    if (message == kRemoveGoneDevice) {
      manager->removeDevice(manager->findByInstance(static_cast<std::uint32_t>(wParam)));
      return 0;
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
