#pragma once

#include <driver/stream/channel_buffer.h>
#include <driver/stream/convert_members.h>
#include <driver/stream/dither_noise.h>

#include <cstdint>
#include <memory>

// Converts one direction of the stream: the device's interleaved samples in its own format
// on one side, one channel buffer per channel in the host's format on the other. Both
// conversions run on the streaming thread at every buffer switch, so they never allocate
// and pass over the samples once.
class SampleConverter {
public:
  static constexpr std::int32_t kMaxChannels = 255;

  SampleConverter() = default;
  SampleConverter(const SampleConverter&) = delete;
  SampleConverter& operator=(const SampleConverter&) = delete;

  // Works on buffer when given (it stays the caller's and must hold byteCount() bytes),
  // else on a buffer of its own. False, and nothing to convert, when the sizes are out of
  // range or the buffer cannot be allocated. The noise runs on from earlier setups.
  bool setup(std::uint8_t* buffer, std::int32_t channels, std::int32_t bits, std::int32_t frames,
             bool bigEndian24, bool msbLsbMid24, bool zeroFill);

  // Both fail and change nothing unless count is the converter's channel count and every
  // buffer has data. The host width is the first buffer's; pairs of formats outside the
  // tables convert nothing and succeed.
  //
  // Capture: stream channel c into buffers[c]. Buffers the stream cannot fill (more frames
  // than it holds, or buffers of different lengths or widths) are zeroed and the call fails.
  bool toHost(ChannelBuffer* const* buffers, std::int32_t count, bool dither);
  // Playback: buffers[c] into stream channel c; such buffers fail the call.
  bool fromHost(const ChannelBuffer* const* buffers, std::int32_t count, bool dither);
  // The same over an array of buffers in channel order.
  bool toHost(ChannelBuffer* buffers, std::int32_t count, bool dither);
  bool fromHost(const ChannelBuffer* buffers, std::int32_t count, bool dither);

  std::int32_t byteCount() const { return bytes_; }
  std::int32_t frames() const { return frames_; }
  std::uint8_t* data() const { return data_; }

private:
  // Misfit: the buffers do not fit the stream or each other.
  enum class Fit : std::uint8_t { Refused, NoChannels, Misfit, Fits };
  struct HostShape {
    Fit fit;
    std::int32_t frames;
    std::int32_t bits;
  };

  // The checks both directions make before they touch a sample.
  HostShape shapeOf(const ChannelBuffer* const* buffers, std::int32_t count) const;
  void clear();

  std::unique_ptr<std::uint8_t[]> owned_;
  std::uint8_t* data_ = nullptr;
  std::uint8_t channels_ = 0;
  std::uint8_t bytesPerSample_ = 0;
  DeviceFormat format_ = DeviceFormat::Unknown;
  std::int32_t frames_ = 0;
  std::int32_t bytes_ = 0;
  DitherNoise noise_;
};
