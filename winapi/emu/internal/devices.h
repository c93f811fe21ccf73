#pragma once

// Open device paths as kernel objects (internal); see device_provider.h.
#include <winapi/emu/internal/handles.h>
#include <winapi/include/emu/device_provider.h>

namespace kxemu {

class DeviceObject : public KernelObject {
public:
  DeviceObject(std::shared_ptr<DeviceProvider> owner, std::unique_ptr<DeviceFile> device)
      : KernelObject(ObjectKind::Device), provider(std::move(owner)), file(std::move(device)) {}
  ~DeviceObject() override {
    file.reset(); // closes the device while its provider is still alive
  }
  bool waitable() const override { return true; }

  std::shared_ptr<DeviceProvider> provider;
  std::unique_ptr<DeviceFile> file;
};

HANDLE openDevicePath(LPCSTR path, DWORD access, DWORD share, DWORD disposition, DWORD flags);

} // namespace kxemu
