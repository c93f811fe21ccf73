#pragma once

// One simulated device: its profile and identity in the device tree, whether it is plugged
// in, its state while it is, its stream, and the faults injected into it. Every open handle
// belongs to one connection (a plug-in); after an unplug its requests fail with
// ERROR_DEVICE_NOT_CONNECTED, even when the device is plugged in again.
//
// Handles: any number of control handles; one streaming handle at a time (a second open
// fails with ERROR_BUSY), and closing it stops a stream still running, so the kernel never
// writes into a block whose owner has gone.
#include <abi/kernel.h>
#include <devsim/include/devsim.h>

#include "device_identity.h"
#include "device_state.h"
#include "request_context.h"
#include "stream_engine.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace devsim {

class KernelFile;

class Device : public std::enable_shared_from_this<Device> {
public:
  Device(DeviceId id, std::uint32_t serial, Profile profile, const std::atomic<ClockMode>& clock);

  DeviceId id() const { return id_; }
  const Profile& profile() const { return profile_; }
  const DeviceIdentity& identity() const { return identity_; }
  // True when the device exposes the kernel driver's interface class.
  bool speaksKernelInterface() const { return kernelPathIndex_ >= 0; }
  const std::string& kernelPath() const;

  bool present() const;
  void connect();    // plugged in: the profile's state again
  void disconnect(); // unplugged: a running stream gets state 1

  // Null with `error` set when the device cannot be opened now.
  std::unique_ptr<KernelFile> open(kernel::Handle kind, DWORD& error);
  bool ioControl(kernel::Handle kind, std::uint32_t connection, RequestContext& request);
  void close(kernel::Handle kind, std::uint32_t connection);

  DeviceInfo info() const;
  StreamInfo streamInfo() const;
  StreamEngine& engine() { return engine_; }
  void withFaults(const std::function<void(RequestFaults&)>& action);
  // Runs `action` on the state under the device's lock; false when the device is unplugged.
  bool withState(const std::function<void(DeviceState&)>& action);

private:
  const DeviceId id_;
  const Profile profile_;
  const DeviceIdentity identity_;
  const int kernelPathIndex_;
  const std::atomic<ClockMode>& clock_;
  mutable std::mutex mutex_;
  bool present_ = false;
  std::uint32_t connection_ = 0;
  std::unique_ptr<DeviceState> state_;
  RequestFaults faults_;
  StreamEngine engine_;
};

} // namespace devsim
