#include "device.h"

#include <abi/kernel_access.h>

#include "kernel_file.h"
#include "request_handlers.h"

#include <algorithm>

namespace devsim {
namespace {

int kernelClassIndex(const std::vector<GUID>& classes) {
  const auto found = std::find(classes.begin(), classes.end(), kernel::kInterfaceClass);
  return found == classes.end() ? -1 : static_cast<int>(found - classes.begin());
}

} // namespace

Device::Device(DeviceId id, std::uint32_t serial, Profile profile, const std::atomic<ClockMode>& clock)
    : id_(id), profile_(std::move(profile)),
      identity_(makeIdentity(profile_.id, serial, profile_.interfaceClasses)),
      kernelPathIndex_(kernelClassIndex(profile_.interfaceClasses)), clock_(clock) {}

const std::string& Device::kernelPath() const {
  static const std::string none;
  return speaksKernelInterface() ? identity_.interfacePaths[static_cast<std::size_t>(kernelPathIndex_)]
                                 : none;
}

bool Device::present() const {
  std::lock_guard lock(mutex_);
  return present_;
}

void Device::connect() {
  std::lock_guard lock(mutex_);
  if (present_) {
    return;
  }
  present_ = true;
  ++connection_;
  state_ = std::make_unique<DeviceState>(profile_);
}

void Device::disconnect() {
  std::lock_guard lock(mutex_);
  if (!present_) {
    return;
  }
  present_ = false;
  ++connection_;
  engine_.stop(true);
  state_.reset();
}

std::unique_ptr<KernelFile> Device::open(kernel::Handle kind, DWORD& error) {
  std::lock_guard lock(mutex_);
  if (!present_) {
    error = ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  if (const std::uint32_t injected = faults_.takeForOpen()) {
    error = injected;
    return nullptr;
  }
  if (kind == kernel::Handle::Streaming) {
    if (state_->streamingOpen) {
      error = ERROR_BUSY;
      return nullptr;
    }
    state_->streamingOpen = true;
  }
  return std::make_unique<KernelFile>(shared_from_this(), kind, connection_);
}

bool Device::ioControl(kernel::Handle kind, std::uint32_t connection, RequestContext& request) {
  std::lock_guard lock(mutex_);
  if (!present_ || connection != connection_) {
    return fail(request, ERROR_DEVICE_NOT_CONNECTED);
  }
  const RequestHandler handler = handlerFor(request.code);
  if (!speaksKernelInterface() || !handler || kernel::handleOf(request.code) != kind) {
    return fail(request, ERROR_INVALID_FUNCTION);
  }
  RequestTarget target{profile_, *state_, engine_, clock_.load()};
  const auto fault = faults_.takeForRequest(request.code);
  if (fault && !fault->replyBytes) {
    return fail(request, fault->error);
  }
  const bool ok = handler(target, request);
  if (ok && fault) {
    request.returned = std::min<DWORD>(request.returned, *fault->replyBytes);
  }
  return ok;
}

void Device::close(kernel::Handle kind, std::uint32_t connection) {
  std::lock_guard lock(mutex_);
  if (kind == kernel::Handle::Streaming && present_ && connection == connection_) {
    state_->streamingOpen = false;
    engine_.stop(false);
  }
}

DeviceInfo Device::info() const {
  std::lock_guard lock(mutex_);
  return {id_,
          profile_.name,
          identity_.instanceId,
          identity_.hardwareIds,
          kernelPath(),
          identity_.interfacePaths,
          profile_.setupClass,
          present_};
}

StreamInfo Device::streamInfo() const {
  std::lock_guard lock(mutex_);
  StreamInfo info;
  const StreamCounters counters = engine_.counters();
  info.streaming = engine_.running();
  info.periods = counters.periods;
  info.streamMs = counters.streamMs;
  info.underrunBytes = counters.underrunBytes;
  info.overrunBytes = counters.overrunBytes;
  info.latencyAllowance = counters.latencyAllowance;
  if (state_) {
    info.format = state_->format;
    info.transferMs = state_->transferMs;
    info.clockSource = state_->clockSource;
    info.mmeMode = state_->mmeMode;
  }
  return info;
}

bool Device::withState(const std::function<void(DeviceState&)>& action) {
  std::lock_guard lock(mutex_);
  if (!present_) {
    return false;
  }
  action(*state_);
  return true;
}

void Device::withFaults(const std::function<void(RequestFaults&)>& action) {
  std::lock_guard lock(mutex_);
  action(faults_);
}

} // namespace devsim
