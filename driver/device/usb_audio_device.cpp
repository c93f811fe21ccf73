#include <abi/kernel.h>
#include <driver/device/format_search.h>
#include <driver/device/usb_audio_device.h>
#include <driver/models/orin_control_model.h>
#include <driver/models/pyxis_control_model.h>
#include <driver/stream/channel_buffer.h>

#include <algorithm>

namespace {

// The device channel order of the eight-output interleave: device channel k plays host
// channel kEightOutputOrder[k].
constexpr std::int32_t kEightOutputOrder[8] = {0, 2, 4, 6, 1, 3, 5, 7};

} // namespace

UsbAudioDevice::UsbAudioDevice(std::uint32_t instanceId)
    : descriptors_(std::make_unique<kernel::DeviceDescriptorBlock>()), instanceId_(instanceId) {}

UsbAudioDevice::~UsbAudioDevice() = default;

bool UsbAudioDevice::initialise(const KxRegistryKey& settingsKey) {
  traits_ = deviceTraits(descriptors_->idVendor, descriptors_->idProduct);
  // A device left closed (a refused interface version) gets no model: it could neither send
  // the stored settings nor report its own state, and would save what it never read.
  if (!isOpen()) {
    return true;
  }
  if ((isFamily(1) || isFamily(0)) && !orinModel_) {
    orinModel_ = std::make_shared<OrinControlModel>(settingsKey, *this);
  }
  if (isFamily(2) && !pyxisModel_) {
    pyxisModel_ = std::make_shared<PyxisControlModel>(settingsKey, *this);
  }
  return true;
}

void UsbAudioDevice::deleteControlModels() {
  orinModel_.reset();
  pyxisModel_.reset();
}

bool UsbAudioDevice::isFamily(int kind) const {
  return kind >= 0 && kind < devicetable::kFamilyCount && traits_.family[kind];
}

bool UsbAudioDevice::canSampleRate(std::uint32_t rate) {
  kernel::FormatReport report{};
  if (!getFormat(report)) {
    return false;
  }
  const kernel::StreamFormat& f = report.format;
  const kernel::FormatMatch match =
      f.inputChannels > 0
          ? findFormat(*descriptors_, f.configuration, rate, f.inputBits, f.inputChannels, true, false)
          : findFormat(*descriptors_, f.configuration, rate, f.outputBits, f.outputChannels, true, true);
  return isStandardRate(rate) && match.found != 0;
}

const KxString& UsbAudioDevice::productName() {
  if (traits_.productNameOverride != nullptr) {
    productName_ = KxString(traits_.productNameOverride);
  }
  return productName_;
}

void UsbAudioDevice::setupConverters(std::int32_t frames) {
  // The converters count frames in 16 bits.
  frames = std::clamp(frames, 0, 32767);
  kernel::FormatReport report{};
  if (getFormat(report)) {
    format_ = report.format;
    const std::int64_t inputBytes = std::int64_t{frames} *
                                    std::min<std::uint32_t>(format_.inputChannels, 255) *
                                    kernel::bytesPerSample(format_.inputBits);
    const std::int64_t outputBytes = std::int64_t{frames} *
                                     std::min<std::uint32_t>(format_.outputChannels, 255) *
                                     kernel::bytesPerSample(format_.outputBits);
    transferSize_ = static_cast<std::uint32_t>(std::max(inputBytes, outputBytes));
    transferBuffer_ = std::make_unique<std::uint8_t[]>(transferSize_ > 0 ? transferSize_ : 1);
  }
  const bool mixedOrder = traits_.mixedOrder24 && format_.inputChannels == 1 && format_.outputChannels == 1 &&
                          format_.rate == 96000;
  const bool bigEndian = traits_.bigEndian24 || mixedOrder;
  outputConverter_.setup(transferBuffer_.get(), static_cast<std::int32_t>(format_.outputChannels),
                         static_cast<std::int32_t>(format_.outputBits), frames, bigEndian, mixedOrder, true);
  inputConverter_.setup(transferBuffer_.get(), static_cast<std::int32_t>(format_.inputChannels),
                        static_cast<std::int32_t>(format_.inputBits), frames, bigEndian, mixedOrder, true);
  bufferFrames_ = static_cast<std::int16_t>(frames);
}

void UsbAudioDevice::transferInput(ChannelBuffer* buffers, std::int32_t count, bool dither) {
  if (!transferBuffer_) {
    return;
  }
  const auto bytes = static_cast<std::uint32_t>(inputConverter_.byteCount());
  readCapture(streamBlock().capture, transferBuffer_.get(), std::min(bytes, transferSize_));
  const auto channels = static_cast<std::int32_t>(format_.inputChannels);
  if (channels <= count) {
    inputConverter_.toHost(buffers, channels, dither);
  }
}

void UsbAudioDevice::transferOutput(ChannelBuffer* buffers, std::int32_t count, bool dither) {
  if (!transferBuffer_) {
    return;
  }
  const auto channels = static_cast<std::int32_t>(format_.outputChannels);
  if (traits_.eightOutputInterleave && count == 8) {
    const ChannelBuffer* interleaved[8];
    for (std::int32_t k = 0; k < 8; ++k) {
      interleaved[k] = &buffers[kEightOutputOrder[k]];
    }
    outputConverter_.fromHost(interleaved, 8, dither);
  } else if (channels <= count) {
    outputConverter_.fromHost(buffers, channels, dither);
  }
  kernel::StreamBlock& block = streamBlock();
  const auto bytes = static_cast<std::uint32_t>(outputConverter_.byteCount());
  subtractOutputCredit(block, static_cast<std::int32_t>(bytes));
  const std::uint32_t kept = bytesAfterDrop(block, std::min(bytes, transferSize_));
  if (kept > 0) {
    writePlayback(block.playback, transferBuffer_.get(), kept);
  }
}

std::int32_t UsbAudioDevice::converterFrames() const {
  return outputConverter_.frames() != 0 ? outputConverter_.frames() : inputConverter_.frames();
}

bool UsbAudioDevice::inputMonitorAvailable() {
  kernel::MixerState state{};
  return readMixerState(state) && state.inputMonitorPresent != 0 && state.inputMonitorByHost != 0;
}

bool UsbAudioDevice::setInputMonitor(bool on) {
  kernel::MixerState state{};
  if (!readMixerState(state) || state.inputMonitorPresent == 0 || state.inputMonitorByHost == 0) {
    return false;
  }
  state.inputMonitorOn = on ? 1 : 0;
  return writeMixerState(state);
}
