// The driver object's streaming side: the buffer halves, start and stop, the buffer switch
// with its outputReady protocol, and the sample position.
#include <abi/kernel.h>
#include <driver/device/device_manager.h>
#include <driver/device/usb_audio_device.h>
#include <driver/host/asio_driver.h>
#include <driver/host/latency_model.h>
#include <driver/stream/switch_pacing.h>

namespace {

// The converters take frames as a 16-bit value.
constexpr std::int32_t kMaxBufferFrames = 32767;
constexpr DWORD kStopSettleMs = 200;
// The outputReady wait: at most this many sleeps of 1 ms.
constexpr int kOutputReadyPolls = 100;

void splitWords(std::int64_t value, ASIOSamples& out) {
  const auto bits = static_cast<std::uint64_t>(value);
  out.hi = static_cast<std::uint32_t>(bits >> 32);
  out.lo = static_cast<std::uint32_t>(bits);
}

} // namespace

ASIOError AsioDriver::start() {
  if (callbacks_ == nullptr) {
    return ASE_NotPresent;
  }
  running_ = false;
  outputReadyFlag_ = true;
  bufferIndex_ = 0;
  clock_.reset(bufferSize_, static_cast<std::int32_t>(sampleRate_), inputLatency_);
  running_ = true;
  if (currentDevice() != nullptr) {
    thread_.startThread(this, true);
    thread_.signalStart();
  }
  return ASE_OK;
}

ASIOError AsioDriver::stop() {
  running_ = false;
  const bool threadStopped = thread_.stopThread();
  if (deviceManager_ && (threadStopped || deviceManager_->isStreaming())) {
    // Lets the kernel driver finish what it was moving; nothing to wait for when no stream ran.
    Sleep(kStopSettleMs);
    deviceManager_->stopStreaming();
  }
  return ASE_OK;
}

void AsioDriver::restartStreaming() {
  if (currentDevice() != nullptr && running_) {
    thread_.startThread(this, true);
    thread_.signalStart();
  } else {
    thread_.stopThread();
  }
}

void AsioDriver::deviceLeaving(UsbAudioDevice* device) {
  if (device == currentDevice()) {
    thread_.stopThread();
  }
}

void AsioDriver::prepareStream() {
  if (performanceMode_ == kMmePerformanceMode) {
    kernel::FormatReport report{};
    UsbAudioDevice* device = currentDevice();
    if (device != nullptr) {
      device->getFormat(report);
      const kernel::StreamFormat& f = report.format;
      // The MME flag needs 44100 Hz and 16 bits both ways; otherwise this object streams as
      // in the normal mode (the stored setting stays).
      if (f.rate != 44100 || f.inputBits != 16 || f.outputBits != 16) {
        performanceMode_ = kDefaultPerformanceMode;
      }
    }
  }
  deviceManager_->startStreaming(performanceMode_ == kMmePerformanceMode,
                                 latencyAllowance_ + preferredBufferSize_,
                                 static_cast<std::int16_t>(bufferSize_));
}

void AsioDriver::runBufferSwitches(StreamStatus& status) {
  UsbAudioDevice* device = currentDevice();
  if (device == nullptr) {
    return;
  }
  const PacingShape shape{numInputs_, numOutputs_, simulatedOutputs_, bufferSize_};
  runSwitches(
      status, shape, maxSwitchesPerWake_, [this](std::int32_t ms) { clock_.advance(ms); },
      [this, device] { doBufferSwitch(*device); }, [device](StreamStatus& s) { device->readStatus(s); });
}

void AsioDriver::doBufferSwitch(UsbAudioDevice& device) {
  ASIOCallbacks* callbacks = callbacks_.load(std::memory_order_acquire);
  if (!running_ || callbacks == nullptr) {
    return;
  }
  clock_.tick(StreamClock::systemTimeNs());
  if (!outputReadyFlag_ && hostUsesOutputReady_) {
    for (int poll = 0; poll < kOutputReadyPolls && !outputReadyFlag_; ++poll) {
      Sleep(1);
    }
  }
  outputReadyFlag_ = false;
  const std::int32_t half = bufferIndex_;
  device.transferInput(inputBuffers_[half], numInputs_, useDithering_);
  if (callbacks->bufferSwitch != nullptr) {
    callbacks->bufferSwitch(half, ASIOTrue);
  }
  if (!hostUsesOutputReady_) {
    outputReadyFlag_ = true;
  }
  if (outputReadyFlag_) {
    device.transferOutput(outputBuffers_[half], numOutputs_, useDithering_);
  }
  bufferIndex_ = 1 - half;
}

ASIOError AsioDriver::getSamplePosition(ASIOSamples* samplePosition, ASIOTimeStamp* timeStamp) {
  if (samplePosition == nullptr || timeStamp == nullptr) {
    return ASE_InvalidParameter;
  }
  splitWords(clock_.position(), *samplePosition);
  splitWords(clock_.time(), *timeStamp);
  return ASE_OK;
}

bool AsioDriver::allocateHalves(ChannelBuffer (&halves)[2][kMaxChannels], std::int32_t channels) {
  for (std::int32_t c = 0; c < channels && c < kMaxChannels; ++c) {
    for (auto& half : halves) {
      if (!half[c].allocate(resolution_, bufferSize_)) {
        return false;
      }
    }
  }
  return true;
}

ASIOError AsioDriver::createBuffers(ASIOBufferInfo* bufferInfos, std::int32_t numChannels,
                                    std::int32_t bufferSize, ASIOCallbacks* callbacks) {
  if (bufferSize < 1 || bufferSize > kMaxBufferFrames) {
    return ASE_InvalidMode;
  }
  if (numChannels < 0 || (numChannels > 0 && bufferInfos == nullptr)) {
    return ASE_InvalidParameter;
  }
  activeInputs_ = 0;
  activeOutputs_ = 0;
  bufferSize_ = bufferSize;
  if (UsbAudioDevice* device = currentDevice()) {
    device->setupConverters(bufferSize_);
  }
  if (!allocateHalves(inputBuffers_, numInputs_) || !allocateHalves(outputBuffers_, numOutputs_)) {
    disposeBuffers();
    return ASE_NoMemory;
  }
  for (std::int32_t i = 0; i < numChannels; ++i) {
    ASIOBufferInfo& info = bufferInfos[i];
    const bool input = info.isInput != ASIOFalse;
    const std::int32_t channels = input ? numInputs_ : numOutputs_;
    std::int32_t& active = input ? activeInputs_ : activeOutputs_;
    if (info.channelNum < 0 || info.channelNum >= channels || info.channelNum >= kMaxChannels ||
        active >= channels) {
      disposeBuffers();
      return ASE_InvalidParameter;
    }
    (input ? inputMap_ : outputMap_)[active] = info.channelNum;
    ChannelBuffer(&halves)[2][kMaxChannels] = input ? inputBuffers_ : outputBuffers_;
    info.buffers[0] = halves[0][info.channelNum].data();
    info.buffers[1] = halves[1][info.channelNum].data();
    ++active;
  }
  callbacks_ = callbacks;
  sleepPeriod_ = computeSleepPeriod(bufferSize_, sampleRate_);
  updateLatencies(false);
  clock_.reset(bufferSize_, static_cast<std::int32_t>(sampleRate_), inputLatency_);
  return ASE_OK;
}

void AsioDriver::releaseBuffers() {
  for (auto* set : {&inputBuffers_, &outputBuffers_}) {
    for (auto& half : *set) {
      for (ChannelBuffer& buffer : half) {
        buffer.release();
      }
    }
  }
  activeInputs_ = 0;
  activeOutputs_ = 0;
}

ASIOError AsioDriver::disposeBuffers() {
  callbacks_ = nullptr;
  stop();
  releaseBuffers();
  return ASE_OK;
}

ASIOError AsioDriver::outputReady() {
  if (hostUsesOutputReady_) {
    outputReadyFlag_ = true;
    return ASE_OK;
  }
  if (!outputReadyFlag_ && outputReadySeen_) {
    outputReadyFlag_ = true;
    hostUsesOutputReady_ = true;
    return ASE_OK;
  }
  outputReadySeen_ = true;
  outputReadyFlag_ = true;
  return ASE_NotPresent;
}
