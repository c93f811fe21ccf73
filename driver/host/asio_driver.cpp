#include <abi/kernel.h>
#include <driver/device/device_manager.h>
#include <driver/device/usb_audio_device.h>
#include <driver/host/asio_driver.h>
#include <driver/host/driver_identity.h>
#include <driver/host/latency_model.h>
#include <driver/toolkit/message_box.h>

#include <cstdio>
#include <cstring>
#include <new>

namespace {

HWND latestParentWindow = nullptr;

constexpr const char* kNoHardware = "USB hardware not found.";
constexpr const char* kRestartText = "You must restart the application to activate the changes.";
constexpr const char* kRestartCaption = "ASIO Driver";
constexpr double kFallbackRate = 44100.0;
constexpr std::int32_t kFallbackChannels = 2;
constexpr std::int32_t kFallbackTransferMs = 5;
// The USB transfers of family 3 devices and the bytes one transfer may carry.
constexpr std::int32_t kFamily3MaxTransferMs = 5;
constexpr std::int64_t kMaxTransferBytes = 4096;

// Channels as the host sees them: raised to an even number, and no more than there are
// halves for.
std::int32_t hostChannels(std::uint32_t deviceChannels) {
  const std::uint32_t even = deviceChannels + (deviceChannels % 2);
  return static_cast<std::int32_t>(even < AsioDriver::kMaxChannels ? even : AsioDriver::kMaxChannels);
}

// Copies as much of text as fits in size bytes, always terminated.
void copyText(char* target, std::size_t size, const char* text) {
  const std::size_t n = strnlen(text, size - 1);
  std::memcpy(target, text, n);
  target[n] = '\0';
}

bool isValidResolution(std::int32_t bits) { return bits == 16 || bits == 24 || bits == 32; }

} // namespace

HWND AsioDriver::parentWindow() { return latestParentWindow; }

IUnknown* AsioDriver::create(IUnknown* outer, HRESULT* result) {
  auto* driver = new (std::nothrow) AsioDriver(outer, result);
  return driver != nullptr ? driver->nonDelegatingUnknown() : nullptr;
}

AsioDriver::AsioDriver(IUnknown* outer, HRESULT* /*result*/)
    : KxUnknown(outer), settingsKey_(KxString(kSettingsPath)) {
  readSettings();
  const PerformancePreset preset = performancePreset(performanceMode_);
  preferredBufferSize_ = preset.preferredBufferSize;
  latencyAllowance_ = preset.latencyAllowance;
  transferMs_ = preset.transferMs;
  maxSwitchesPerWake_ = preset.maxSwitchesPerWake;

  bufferSize_ = preferredBufferSize_;
  sampleRate_ = kFallbackRate;
  inputLatency_ = 2 * bufferSize_;
  outputLatency_ = bufferSize_;
  sleepPeriod_ = computeSleepPeriod(bufferSize_, sampleRate_);

  clockSources_[0] = {0, -1, -1, ASIOTrue, "external"};
  clockSources_[1] = {1, -1, -1, ASIOFalse, "internal"};
}

AsioDriver::~AsioDriver() {
  stop();
  disposeBuffers();
  deviceManager_.reset();
}

void AsioDriver::readSettings() {
  std::uint32_t value = 0;
  useDithering_ = settingsKey_.readDword("UseDithering", value) && value == 1;

  std::uint32_t stored = 16;
  settingsKey_.readDword("Resolution", stored);
  resolution_ = isValidResolution(static_cast<std::int32_t>(stored)) ? static_cast<std::int32_t>(stored) : 16;
  // Written back at once, so the key exists afterwards.
  settingsKey_.writeDword("Resolution", static_cast<std::uint32_t>(resolution_));

  std::uint32_t size = 256;
  settingsKey_.readDword("PreferredBufferSize", size);
  const auto preferred = static_cast<std::int32_t>(size);
  preferredBufferSize_ = (preferred < 32 || preferred > 1024) ? 256 : preferred;

  std::uint32_t mode = kDefaultPerformanceMode;
  settingsKey_.readDword("PerformanceMode", mode);
  const auto chosen = static_cast<std::int32_t>(mode);
  performanceMode_ =
      (chosen < kFirstPerformanceMode || chosen > kLastPerformanceMode) ? kDefaultPerformanceMode : chosen;
}

HRESULT AsioDriver::nonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) {
    return E_POINTER;
  }
  if (IsEqualIID(iid, kDriverClassId)) {
    *object = static_cast<IASIO*>(this);
    nonDelegatingUnknown()->AddRef();
    return S_OK;
  }
  return KxUnknown::nonDelegatingQueryInterface(iid, object);
}

HRESULT STDMETHODCALLTYPE AsioDriver::QueryInterface(REFIID iid, void** object) {
  return outerUnknown()->QueryInterface(iid, object);
}

ULONG STDMETHODCALLTYPE AsioDriver::AddRef() { return outerUnknown()->AddRef(); }

ULONG STDMETHODCALLTYPE AsioDriver::Release() { return outerUnknown()->Release(); }

UsbAudioDevice* AsioDriver::currentDevice() const {
  return deviceManager_ ? deviceManager_->currentDevice() : nullptr;
}

void AsioDriver::takeDeviceFormat(UsbAudioDevice& device) {
  kernel::FormatReport report{};
  if (!device.getFormat(report)) {
    return;
  }
  const kernel::StreamFormat& f = report.format;
  sampleRate_ = f.rate;
  numInputs_ = hostChannels(f.inputChannels);
  numOutputs_ = hostChannels(f.outputChannels);
  simulatedOutputs_ = numOutputs_ == 0;
  if (device.isFamily(3) && transferMs_ > kFamily3MaxTransferMs) {
    transferMs_ = kFamily3MaxTransferMs;
  }
  const std::int64_t bytesPerMs =
      (std::int64_t{kernel::bytesPerSample(f.inputBits)} * f.inputChannels * f.rate +
       std::int64_t{kernel::bytesPerSample(f.outputBits)} * f.outputChannels * f.rate) /
      1000;
  // Never below one millisecond: a transfer of no length would stop the stream.
  while (transferMs_ > 1 && bytesPerMs * transferMs_ > kMaxTransferBytes) {
    --transferMs_;
  }
  device.setTransferLength(static_cast<std::uint32_t>(transferMs_));
}

ASIOBool AsioDriver::init(void* sysHandle) {
  latestParentWindow = static_cast<HWND>(sysHandle);
  if (initialised_) {
    return ASIOTrue;
  }
  copyText(errorMessage_, sizeof errorMessage_, kNoHardware);
  if (!deviceManager_) {
    deviceManager_ = std::make_unique<KxDeviceManager>(this);
    deviceManager_->enumerate(0, false);
  }
  numInputs_ = 0;
  numOutputs_ = 0;
  simulatedOutputs_ = false;
  if (UsbAudioDevice* device = currentDevice()) {
    takeDeviceFormat(*device);
    const std::uint32_t source = device->getClockSource();
    if (source == 0 || source == 1) {
      makeCurrentClockSource(static_cast<std::int32_t>(source));
    }
  } else {
    sampleRate_ = kFallbackRate;
    numInputs_ = kFallbackChannels;
    numOutputs_ = kFallbackChannels;
    transferMs_ = kFallbackTransferMs;
    simulatedOutputs_ = true;
    makeCurrentClockSource(0);
  }
  if (numOutputs_ == 0) {
    numOutputs_ = kFallbackChannels;
    simulatedOutputs_ = true;
  }
  updateLatencies(false);
  initialised_ = true;
  return ASIOTrue;
}

void AsioDriver::getDriverName(char* name) {
  if (name != nullptr) {
    copyText(name, 32, kDriverName);
  }
}

std::int32_t AsioDriver::getDriverVersion() { return kDriverVersion; }

void AsioDriver::getErrorMessage(char* text) {
  if (text != nullptr) {
    copyText(text, 124, errorMessage_);
  }
}

ASIOError AsioDriver::getChannels(std::int32_t* numInputChannels, std::int32_t* numOutputChannels) {
  if (numInputChannels == nullptr || numOutputChannels == nullptr) {
    return ASE_InvalidParameter;
  }
  *numInputChannels = numInputs_;
  *numOutputChannels = numOutputs_;
  return ASE_OK;
}

ASIOError AsioDriver::getLatencies(std::int32_t* inputLatency, std::int32_t* outputLatency) {
  if (inputLatency == nullptr || outputLatency == nullptr) {
    return ASE_InvalidParameter;
  }
  *inputLatency = inputLatency_;
  *outputLatency = outputLatency_;
  return ASE_OK;
}

ASIOError AsioDriver::getBufferSize(std::int32_t* minSize, std::int32_t* maxSize, std::int32_t* preferredSize,
                                    std::int32_t* granularity) {
  if (minSize == nullptr || maxSize == nullptr || preferredSize == nullptr || granularity == nullptr) {
    return ASE_InvalidParameter;
  }
  *minSize = preferredBufferSize_;
  *maxSize = preferredBufferSize_;
  *preferredSize = preferredBufferSize_;
  *granularity = -1;
  return ASE_OK;
}

ASIOError AsioDriver::canSampleRate(ASIOSampleRate sampleRate) {
  if (!deviceManager_) {
    return ASE_NoClock;
  }
  if (UsbAudioDevice* device = currentDevice()) {
    return device->canSampleRate(static_cast<std::uint32_t>(sampleRate)) ? ASE_OK : ASE_NoClock;
  }
  return sampleRate == kFallbackRate ? ASE_OK : ASE_NoClock;
}

ASIOError AsioDriver::getSampleRate(ASIOSampleRate* sampleRate) {
  if (sampleRate == nullptr) {
    return ASE_InvalidParameter;
  }
  *sampleRate = sampleRate_;
  return ASE_OK;
}

ASIOError AsioDriver::setSampleRate(ASIOSampleRate sampleRate) {
  if (canSampleRate(sampleRate) != ASE_OK) {
    return ASE_NoClock;
  }
  if (sampleRate == sampleRate_) {
    return ASE_OK;
  }
  UsbAudioDevice* device = currentDevice();
  if (device == nullptr) {
    return ASE_NoClock;
  }
  sampleRate_ = sampleRate;
  device->setSampleRate(static_cast<std::uint32_t>(sampleRate));
  asioTime_.timeInfo.sampleRate = sampleRate;
  asioTime_.timeInfo.flags |= kSampleRateChanged;
  updateLatencies(true);
  sleepPeriod_ = computeSleepPeriod(bufferSize_, sampleRate_);
  clock_.reset(bufferSize_, static_cast<std::int32_t>(sampleRate_), inputLatency_);
  return ASE_OK;
}

ASIOError AsioDriver::getClockSources(ASIOClockSource* clocks, std::int32_t* numSources) {
  if (clocks == nullptr || numSources == nullptr) {
    return ASE_InvalidParameter;
  }
  clocks[0] = clockSources_[0];
  if (*numSources < 2) {
    *numSources = 1;
  } else {
    clocks[1] = clockSources_[1];
    *numSources = 2;
  }
  return ASE_OK;
}

ASIOError AsioDriver::setClockSource(std::int32_t reference) {
  UsbAudioDevice* device = currentDevice();
  // The index goes to the device as it is: 0 is "external", 1 "internal".
  if (device == nullptr || static_cast<std::uint32_t>(reference) == device->getClockSource()) {
    return ASE_OK;
  }
  device->setClockSource(static_cast<std::uint32_t>(reference));
  const std::uint32_t now = device->getClockSource();
  if (now != 0 && now != 1) {
    return ASE_NotPresent;
  }
  makeCurrentClockSource(static_cast<std::int32_t>(now));
  asioTime_.timeInfo.flags |= kClockSourceChanged;
  return ASE_OK;
}

void AsioDriver::makeCurrentClockSource(std::int32_t index) {
  clockSources_[0].isCurrentSource = index == 0 ? ASIOTrue : ASIOFalse;
  clockSources_[1].isCurrentSource = index == 1 ? ASIOTrue : ASIOFalse;
}

ASIOError AsioDriver::getChannelInfo(ASIOChannelInfo* info) {
  if (info == nullptr) {
    return ASE_InvalidParameter;
  }
  const std::int32_t channel = info->channel;
  const bool input = info->isInput != ASIOFalse;
  if (channel < 0 || channel >= (input ? numInputs_ : numOutputs_)) {
    return ASE_InvalidParameter;
  }
  // The buffers are little-endian either way; the flag changes only the reported type.
  if (swapLsbMsb()) {
    info->type = resolution_ == 24 ? ASIOSTInt24MSB : (resolution_ == 32 ? ASIOSTInt32MSB : ASIOSTInt16MSB);
  } else {
    info->type = resolution_ == 24 ? ASIOSTInt24LSB : (resolution_ == 32 ? ASIOSTInt32LSB : ASIOSTInt16LSB);
  }
  info->channelGroup = 0;
  const std::int32_t* map = input ? inputMap_ : outputMap_;
  const std::int32_t active = input ? activeInputs_ : activeOutputs_;
  info->isActive = ASIOFalse;
  for (std::int32_t i = 0; i < active; ++i) {
    if (map[i] == channel) {
      info->isActive = ASIOTrue;
    }
  }
  if (input) {
    std::snprintf(info->name, sizeof info->name, "USB Input #%d", static_cast<int>(channel));
  } else if (channel % 2 == 1) {
    std::snprintf(info->name, sizeof info->name, "Corvanta #%d", static_cast<int>(channel + 1));
  } else {
    std::snprintf(info->name, sizeof info->name, "Corvanta #%d%d", static_cast<int>(channel + 1),
                  static_cast<int>(channel + 2));
  }
  return ASE_OK;
}

ASIOError AsioDriver::controlPanel() {
  if (!deviceManager_) {
    return ASE_InvalidMode;
  }
  if (restartPending_) {
    KxMessageBox().show(KxMessageBox::kError, KxString(kRestartText), KxString(kRestartCaption));
    return ASE_NotPresent;
  }
  return ASE_NotPresent; // no settings dialog in this build
}

ASIOError AsioDriver::future(std::int32_t selector, void* opt) {
  switch (selector) {
  case kAsioEnableTimeCodeRead:
    timeCodeRead_ = true;
    return ASE_SUCCESS;
  case kAsioDisableTimeCodeRead:
    timeCodeRead_ = false;
    return ASE_SUCCESS;
  case kAsioSetInputMonitor: {
    UsbAudioDevice* device = currentDevice();
    if (opt == nullptr || device == nullptr || !device->inputMonitorAvailable()) {
      return ASE_NotPresent;
    }
    device->setInputMonitor(static_cast<const ASIOInputMonitor*>(opt)->state == 1);
    return ASE_SUCCESS;
  }
  case kAsioCanInputMonitor: {
    UsbAudioDevice* device = currentDevice();
    return device != nullptr && device->inputMonitorAvailable() ? ASE_SUCCESS : ASE_NotPresent;
  }
  case kAsioCanTimeInfo:
  case kAsioCanTimeCode:
    return ASE_SUCCESS;
  default:
    return ASE_NotPresent;
  }
}

void AsioDriver::updateLatencies(bool notify) {
  UsbAudioDevice* device = currentDevice();
  kernel::FormatReport report{};
  if (device == nullptr || !device->getFormat(report)) {
    return;
  }
  const Latencies latencies = estimateLatencies(static_cast<std::int32_t>(report.format.rate), bufferSize_,
                                                static_cast<std::int32_t>(report.transferMs));
  const bool changed = notify && (latencies.input != inputLatency_ || latencies.output != outputLatency_);
  inputLatency_ = latencies.input;
  outputLatency_ = latencies.output;
  ASIOCallbacks* callbacks = callbacks_;
  if (!changed || callbacks == nullptr) {
    return;
  }
  if (callbacks->asioMessage != nullptr &&
      callbacks->asioMessage(kAsioLatenciesChanged, 0, nullptr, nullptr) != 0) {
    return;
  }
  requestReset();
}

void AsioDriver::deviceChanged() {
  UsbAudioDevice* device = currentDevice();
  kernel::FormatReport report{};
  if (device != nullptr && initialised_ && device->getFormat(report)) {
    const kernel::StreamFormat& f = report.format;
    // The counts as init made them from a report: even, and two simulated outputs for none.
    const std::int32_t outputs = f.outputChannels != 0 ? hostChannels(f.outputChannels) : kFallbackChannels;
    if (hostChannels(f.inputChannels) == numInputs_ && outputs == numOutputs_ && f.rate == sampleRate_) {
      if (report.transferMs != static_cast<std::uint32_t>(transferMs_)) {
        device->setTransferLength(static_cast<std::uint32_t>(transferMs_));
      }
    } else {
      stop();
      requestReset();
    }
  }
  clock_.reset(bufferSize_, static_cast<std::int32_t>(sampleRate_), inputLatency_);
}

void AsioDriver::devicesChanged() {}

void AsioDriver::requestReset() {
  std::int32_t answer = 0;
  ASIOCallbacks* callbacks = callbacks_;
  if (callbacks != nullptr && callbacks->asioMessage != nullptr) {
    answer = callbacks->asioMessage(kAsioResetRequest, 0, nullptr, nullptr);
  }
  if (answer == 0) {
    KxMessageBox().show(KxMessageBox::kError, KxString(kRestartText), KxString(kRestartCaption));
  }
}

void AsioDriver::setUseDithering(bool on) {
  if (on == useDithering_) {
    return;
  }
  useDithering_ = on;
  settingsKey_.writeDword("UseDithering", on ? 1 : 0);
}

bool AsioDriver::swapLsbMsb() const {
  std::uint32_t value = 0;
  settingsKey_.readDword("SwapLSBMSB", value);
  return value == 1;
}
