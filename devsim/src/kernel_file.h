#pragma once

// One open handle on a simulated device: the control handle on the device path, or the
// streaming handle on the path followed by "\IO".
#include "device.h"

#include <memory>

namespace devsim {

class KernelFile {
public:
  KernelFile(std::shared_ptr<Device> device, kernel::Handle kind, std::uint32_t connection)
      : device_(std::move(device)), kind_(kind), connection_(connection) {}
  ~KernelFile() { device_->close(kind_, connection_); }
  KernelFile(const KernelFile&) = delete;
  KernelFile& operator=(const KernelFile&) = delete;

  // DeviceIoControl: buffers may be null with size 0; they may overlap.
  bool ioControl(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD& returned,
                 DWORD& error);

private:
  std::shared_ptr<Device> device_;
  kernel::Handle kind_;
  std::uint32_t connection_;
};

} // namespace devsim
