#include "capture_signal.h"

#include <abi/kernel.h>

#include <cmath>
#include <cstring>
#include <numbers>

namespace devsim {
namespace {

constexpr double kToneHz = 1000.0;

// A sample as a signed value left-aligned in 32 bits, and back.
std::int32_t readAligned(const std::uint8_t* sample, std::uint32_t width) {
  std::uint32_t value = 0;
  for (std::uint32_t b = 0; b < width; ++b) {
    value |= std::uint32_t{sample[b]} << (8 * (4 - width + b));
  }
  return static_cast<std::int32_t>(value);
}

void writeAligned(std::uint8_t* sample, std::uint32_t width, std::int32_t aligned) {
  const auto value = static_cast<std::uint32_t>(aligned);
  for (std::uint32_t b = 0; b < width; ++b) {
    sample[b] = static_cast<std::uint8_t>(value >> (8 * (4 - width + b)));
  }
}

void writeLow(std::uint8_t* sample, std::uint32_t width, std::uint64_t value) {
  for (std::uint32_t b = 0; b < width; ++b) {
    sample[b] = static_cast<std::uint8_t>(value >> (8 * b));
  }
}

void loopback(const kernel::StreamFormat& format, std::uint32_t frames, const std::uint8_t* played,
              std::uint8_t* target) {
  const std::uint32_t inWidth = kernel::bytesPerSample(format.inputBits);
  const std::uint32_t outWidth = kernel::bytesPerSample(format.outputBits);
  const std::uint32_t outFrame = format.outputChannels * outWidth;
  if (!played || outFrame == 0) {
    std::memset(target, 0, std::size_t{frames} * format.inputChannels * inWidth);
    return;
  }
  for (std::uint32_t f = 0; f < frames; ++f) {
    for (std::uint32_t c = 0; c < format.inputChannels; ++c) {
      const std::uint8_t* source = played + f * outFrame + (c % format.outputChannels) * outWidth;
      std::uint8_t* sample = target + (std::size_t{f} * format.inputChannels + c) * inWidth;
      if (inWidth == outWidth) {
        std::memcpy(sample, source, inWidth);
      } else {
        writeAligned(sample, inWidth, readAligned(source, outWidth));
      }
    }
  }
}

} // namespace

void generateCapture(CaptureSignal signal, const kernel::StreamFormat& format, std::uint64_t firstFrame,
                     std::uint32_t frames, const std::uint8_t* played, std::uint8_t* target) {
  const std::uint32_t width = kernel::bytesPerSample(format.inputBits);
  const std::uint32_t channels = format.inputChannels;
  switch (signal) {
  case CaptureSignal::Loopback:
    loopback(format, frames, played, target);
    return;
  case CaptureSignal::Ramp:
    for (std::uint64_t s = 0; s < std::uint64_t{frames} * channels; ++s) {
      writeLow(target + s * width, width, firstFrame * channels + s);
    }
    return;
  case CaptureSignal::Sine:
    for (std::uint32_t f = 0; f < frames; ++f) {
      const double phase =
          2.0 * std::numbers::pi * kToneHz * static_cast<double>(firstFrame + f) / format.rate;
      const auto aligned = static_cast<std::int32_t>(std::sin(phase) * 0x3FFFFFFF);
      for (std::uint32_t c = 0; c < channels; ++c) {
        writeAligned(target + (std::size_t{f} * channels + c) * width, width, aligned);
      }
    }
    return;
  case CaptureSignal::Silence:
    std::memset(target, 0, std::size_t{frames} * channels * width);
    return;
  }
}

} // namespace devsim
