#include <driver/device/kernel_audio_device.h>
#include <driver/device/kernel_calls.h>
#include <driver/toolkit/message_box.h>

#include <cstring>
#include <vector>

namespace {

constexpr DWORD kPauseAroundStopMs = 300;
constexpr DWORD kDataWaitMs = 300;
constexpr std::int32_t kInitialAllowance = 1000;
constexpr const char* kOldKernelDriver =
    "There is a old USB driver installed. Please install the corresponding new USB driver.";
constexpr const char* kNewerKernelDriver =
    "There is a newer USB driver installed. Please install the corresponding new ASIO driver.";

HANDLE openPath(const char* path) {
  return kernelCalls().open(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            OPEN_EXISTING, 0);
}

void closeHandle(HANDLE& handle) {
  if (handle != INVALID_HANDLE_VALUE) {
    kernelCalls().close(handle);
    handle = INVALID_HANDLE_VALUE;
  }
}

} // namespace

KernelAudioDevice::KernelAudioDevice(const KxString& path, std::uint32_t instanceId)
    : UsbAudioDevice(instanceId), event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      block_(std::make_unique<kernel::StreamBlock>()), path_(path) {
  resetStreamBlock(*block_, event_, kInitialAllowance);
}

KernelAudioDevice::~KernelAudioDevice() {
  close(false);
  if (event_ != nullptr) {
    CloseHandle(event_);
  }
}

bool KernelAudioDevice::request(HANDLE handle, std::uint32_t code, void* in, std::uint32_t inSize, void* out,
                                std::uint32_t outSize, std::uint32_t* returned) {
  DWORD count = 0;
  const BOOL ok = kernelCalls().ioControl(handle, code, in, inSize, out, outSize, &count);
  if (returned != nullptr) {
    *returned = count;
  }
  return ok != FALSE;
}

bool KernelAudioDevice::setValue(HANDLE handle, std::uint32_t code, std::uint32_t value) {
  return isOpen() && request(handle, code, nullptr, 0, &value, sizeof value);
}

bool KernelAudioDevice::open() {
  if (control_ == INVALID_HANDLE_VALUE) {
    control_ = openPath(path_.text());
  }
  if (streamingHandle_ == INVALID_HANDLE_VALUE) {
    KxString streamingPath(path_);
    streamingPath.append(kernel::kStreamingPathSuffix);
    streamingHandle_ = openPath(streamingPath.text());
  }
  return isOpen();
}

bool KernelAudioDevice::isOpen() const {
  return control_ != INVALID_HANDLE_VALUE && streamingHandle_ != INVALID_HANDLE_VALUE;
}

void KernelAudioDevice::close(bool keepControl) {
  // The models' last requests go out while the device is still fully open; closing only the
  // streaming handle (a format change) keeps them.
  if (!keepControl) {
    deleteControlModels();
  }
  if (streamingHandle_ != INVALID_HANDLE_VALUE) {
    // The pauses let the kernel driver finish a running stream; without one there is
    // nothing to wait for.
    const bool wasStreaming = streaming_;
    if (wasStreaming) {
      Sleep(kPauseAroundStopMs);
    }
    setStreaming(false, block_->latencyAllowance, streamFrames_);
    if (wasStreaming) {
      Sleep(kPauseAroundStopMs);
    }
    closeHandle(streamingHandle_);
  }
  if (!keepControl) {
    closeHandle(control_);
  }
}

bool KernelAudioDevice::initialise(const KxRegistryKey& settingsKey) {
  if (!open()) {
    return false;
  }
  char name[kernel::kNameRequestSize + 1] = {};
  if (request(control_, kernel::kRequestManufacturerName, nullptr, 0, name, kernel::kNameRequestSize)) {
    manufacturerName_ = KxString(name);
  }
  std::memset(name, 0, sizeof name);
  if (request(control_, kernel::kRequestProductName, nullptr, 0, name, kernel::kNameRequestSize)) {
    productName_ = KxString(name);
  }
  request(control_, kernel::kRequestDescriptors, nullptr, 0, descriptors_.get(),
          kernel::kDescriptorBlockSize);
  std::uint32_t version = 0;
  request(control_, kernel::kRequestInterfaceVersion, nullptr, 0, &version, sizeof version);
  if (version != kernel::kInterfaceVersion) {
    close(false);
    KxMessageBox().show(KxMessageBox::kError,
                        KxString(version < kernel::kInterfaceVersion ? kOldKernelDriver : kNewerKernelDriver),
                        KxString("Error"));
  }
  return UsbAudioDevice::initialise(settingsKey);
}

bool KernelAudioDevice::setStreaming(bool start, std::int32_t allowance, std::int32_t frames) {
  if (streamingHandle_ == INVALID_HANDLE_VALUE) {
    return false;
  }
  block_->latencyAllowance = static_cast<std::int16_t>(allowance);
  streamFrames_ = static_cast<std::int16_t>(frames);
  if (start) {
    resetStreamBlock(*block_, event_, block_->latencyAllowance);
    getFormat(startReport_);
  }
  kernel::StreamStartRequest message{};
  message.start = start ? 1 : 0;
  message.blockAddress = start ? reinterpret_cast<std::uintptr_t>(block_.get()) : 0;
  const bool ok = request(streamingHandle_, kernel::kRequestStream, nullptr, 0, &message, sizeof message);
  if (ok) {
    streaming_ = start;
  }
  return ok;
}

bool KernelAudioDevice::waitForData(StreamStatus& status) {
  if (event_ == nullptr) {
    return false;
  }
  switch (WaitForSingleObject(event_, kDataWaitMs)) {
  case WAIT_OBJECT_0:
    ResetEvent(event_);
    readStatus(status);
    return true;
  case WAIT_ABANDONED:
    status.state = kernel::kStreamStateGone;
    return true;
  default:
    status.state = 0;
    return false;
  }
}

void KernelAudioDevice::readStatus(StreamStatus& status) {
  readStreamStatus(*block_, startReport_.format, status);
}

bool KernelAudioDevice::getFormat(kernel::FormatReport& report) {
  report = {};
  std::uint32_t returned = 0;
  return isOpen() &&
         request(control_, kernel::kRequestGetFormat, nullptr, 0, &report, sizeof report, &returned) &&
         returned == sizeof report;
}

std::uint32_t KernelAudioDevice::getClockSource() {
  std::uint32_t source = 0;
  std::uint32_t returned = 0;
  if (!isOpen() ||
      !request(control_, kernel::kRequestGetClockSource, nullptr, 0, &source, sizeof source, &returned) ||
      returned != sizeof source) {
    return 0;
  }
  return source;
}

bool KernelAudioDevice::setClockSource(std::uint32_t value) {
  return setValue(control_, kernel::kRequestSetClockSource, value);
}

bool KernelAudioDevice::setTransferLength(std::uint32_t milliseconds) {
  return setValue(control_, kernel::kRequestSetTransferLength, milliseconds);
}

bool KernelAudioDevice::setMmeMode(bool flag) {
  std::uint8_t value = flag ? 1 : 0;
  return isOpen() && request(streamingHandle_, kernel::kRequestMmeMode, nullptr, 0, &value, sizeof value);
}

bool KernelAudioDevice::readMixerState(kernel::MixerState& state) {
  state = {};
  return isOpen() &&
         request(streamingHandle_, kernel::kRequestReadMixerState, nullptr, 0, &state, sizeof state) &&
         (state.output.entryCount > 0 || state.input.entryCount > 0 || state.syncSourceCount > 0 ||
          state.monitor.entryCount > 0 || state.inputMonitorPresent != 0);
}

bool KernelAudioDevice::writeMixerState(const kernel::MixerState& state) {
  kernel::MixerState copy = state;
  return isOpen() &&
         request(streamingHandle_, kernel::kRequestWriteMixerState, nullptr, 0, &copy, sizeof copy);
}

bool KernelAudioDevice::setFormat(const kernel::StreamFormat& format) {
  if (!isOpen()) {
    return false;
  }
  if (format == this->format()) {
    return true;
  }
  const bool hadStreamingHandle = streamingHandle_ != INVALID_HANDLE_VALUE;
  const bool wasStreaming = streaming_;
  close(true);
  kernel::StreamFormat chosen = format;
  const bool ok = request(control_, kernel::kRequestSetFormat, nullptr, 0, &chosen, sizeof chosen);
  if (hadStreamingHandle) {
    open();
  }
  if (const std::int32_t frames = converterFrames(); frames != 0) {
    setupConverters(frames);
  }
  if (wasStreaming) {
    setStreaming(true, block_->latencyAllowance, streamFrames_);
  }
  return ok;
}

void KernelAudioDevice::setSampleRate(std::uint32_t rate) {
  kernel::FormatReport report{};
  getFormat(report);
  report.format.rate = rate;
  setFormat(report.format);
}

bool KernelAudioDevice::classRequest(std::uint8_t direction, std::uint8_t type, std::uint8_t recipient,
                                     std::uint8_t requestCode, std::uint16_t value, std::uint16_t index,
                                     std::uint16_t length, std::uint8_t* data) {
  if (!isOpen()) {
    return false;
  }
  std::vector<std::uint8_t> packet(kernel::kClassRequestHeaderSize + length, 0);
  const kernel::UsbSetupPacket setup = {static_cast<std::uint8_t>(direction | type | recipient), requestCode,
                                        value, index, length};
  std::memcpy(packet.data(), &setup, sizeof setup);
  if (direction == 0 && data != nullptr) {
    std::memcpy(packet.data() + sizeof setup, data, length);
  }
  const auto size = static_cast<std::uint32_t>(packet.size());
  std::uint32_t returned = 0;
  if (!request(control_, kernel::kRequestClass, packet.data(), size, packet.data(), size, &returned)) {
    return false;
  }
  if (direction != kernel::kUsbDirectionIn) {
    return true;
  }
  // An answer is only an answer when all of it came back.
  if (returned != size) {
    return false;
  }
  if (data != nullptr) {
    std::memcpy(data, packet.data() + sizeof setup, length);
  }
  return true;
}
