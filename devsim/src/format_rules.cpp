#include "format_rules.h"

#include <abi/kernel.h>

#include "descriptor_image.h"

#include <algorithm>

namespace devsim {
namespace {

bool rateListed(const kernel::FormatSlot& slot, std::uint32_t rate) {
  if (slot.continuous) {
    return slot.minRate <= rate && rate <= slot.maxRate;
  }
  const std::size_t count = std::min<std::size_t>(slot.discreteRateCount, kernel::kMaxDiscreteRates);
  return std::find(slot.discreteRates, slot.discreteRates + count, rate) != slot.discreteRates + count;
}

bool carriesFrames(const kernel::AlternateSettingSlot& alternate, bool in, std::uint32_t frameBytes) {
  const std::size_t count = std::min<std::size_t>(alternate.endpointCount, kernel::kMaxEndpoints);
  return std::any_of(alternate.endpoints, alternate.endpoints + count, [&](const kernel::EndpointSlot& e) {
    const bool endpointIn = (e.address & kernel::kEndpointDirectionIn) != 0;
    return endpointIn == in && e.maxPacketSize >= frameBytes;
  });
}

bool directionSupported(const kernel::DeviceDescriptorBlock& image, const kernel::StreamFormat& format,
                        std::uint32_t channels, std::uint32_t bits, bool in) {
  if (channels == 0) {
    return true;
  }
  const std::uint32_t frameBytes = channels * kernel::bytesPerSample(bits);
  if (channels > kMaxStreamChannels || frameBytes == 0) {
    return false;
  }
  bool found = false;
  forEachAlternateSetting(image, format.configuration, [&](const kernel::AlternateSettingSlot& alternate) {
    found = found || (alternate.format.bitResolution == bits && alternate.format.channels == channels &&
                      rateListed(alternate.format, format.rate) && carriesFrames(alternate, in, frameBytes));
  });
  return found;
}

std::uint32_t bytesPerMs(const kernel::StreamFormat& format) {
  const std::uint64_t perSecond = std::uint64_t{inputFrameBytes(format)} * format.rate +
                                  std::uint64_t{outputFrameBytes(format)} * format.rate;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(perSecond / 1000, UINT32_MAX));
}

} // namespace

std::uint32_t inputFrameBytes(const kernel::StreamFormat& format) {
  return format.inputChannels <= kMaxStreamChannels
             ? format.inputChannels * kernel::bytesPerSample(format.inputBits)
             : 0;
}

std::uint32_t outputFrameBytes(const kernel::StreamFormat& format) {
  return format.outputChannels <= kMaxStreamChannels
             ? format.outputChannels * kernel::bytesPerSample(format.outputBits)
             : 0;
}

bool formatSupported(const kernel::DeviceDescriptorBlock& image, const kernel::StreamFormat& format) {
  if (format.inputChannels == 0 && format.outputChannels == 0) {
    return false;
  }
  return directionSupported(image, format, format.inputChannels, format.inputBits, true) &&
         directionSupported(image, format, format.outputChannels, format.outputBits, false);
}

bool transferLengthFits(const kernel::StreamFormat& format, std::uint32_t ms) {
  if (ms < 1 || ms > kMaxTransferMs) {
    return false;
  }
  return ms == 1 || std::uint64_t{bytesPerMs(format)} * ms <= kTransferBufferBytes;
}

std::uint32_t fittedTransferLength(const kernel::StreamFormat& format, std::uint32_t ms) {
  std::uint32_t fitted = std::clamp<std::uint32_t>(ms, 1, kMaxTransferMs);
  while (!transferLengthFits(format, fitted)) {
    --fitted;
  }
  return fitted;
}

} // namespace devsim
