#include <abi/kernel.h>
#include <driver/stream/sample_converter.h>

#include <cstring>
#include <new>

bool SampleConverter::setup(std::uint8_t* buffer, std::int32_t channels, std::int32_t bits,
                            std::int32_t frames, bool bigEndian24, bool msbLsbMid24, bool zeroFill) {
  clear();
  const std::int64_t bytes = std::int64_t{frames} * channels * kernel::bytesPerSample(bits);
  if (channels < 0 || channels > kMaxChannels || frames < 0 || bytes > INT32_MAX) {
    return false;
  }
  if (buffer == nullptr) {
    owned_.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(bytes)]);
    if (!owned_) {
      return false;
    }
    buffer = owned_.get();
  }
  data_ = buffer;
  channels_ = static_cast<std::uint8_t>(channels);
  bytesPerSample_ = static_cast<std::uint8_t>(kernel::bytesPerSample(bits));
  format_ = deviceFormatOf(bits, bigEndian24, msbLsbMid24);
  frames_ = frames;
  bytes_ = static_cast<std::int32_t>(bytes);
  if (zeroFill) {
    std::memset(data_, 0, static_cast<std::size_t>(bytes_));
  }
  return true;
}

void SampleConverter::clear() {
  owned_.reset();
  data_ = nullptr;
  channels_ = 0;
  bytesPerSample_ = 0;
  format_ = DeviceFormat::Unknown;
  frames_ = 0;
  bytes_ = 0;
}

SampleConverter::HostShape SampleConverter::shapeOf(const ChannelBuffer* const* buffers,
                                                    std::int32_t count) const {
  if (buffers == nullptr || count != channels_) {
    return {Fit::Refused, 0, 0};
  }
  if (count == 0) {
    return {Fit::NoChannels, 0, 0};
  }
  // Every buffer is worked on at the first one's width and length, so a buffer of another
  // shape would be read or written past its end.
  bool sameShape = true;
  for (std::int32_t c = 0; c < count; ++c) {
    if (buffers[c] == nullptr || buffers[c]->isEmpty()) {
      return {Fit::Refused, 0, 0};
    }
    sameShape =
        sameShape && buffers[c]->frames() == buffers[0]->frames() && buffers[c]->bits() == buffers[0]->bits();
  }
  const ChannelBuffer& first = *buffers[0];
  if (!sameShape || std::int64_t{first.frames()} * count * bytesPerSample_ > bytes_) {
    return {Fit::Misfit, 0, 0};
  }
  return {Fit::Fits, first.frames(), first.bits()};
}

bool SampleConverter::toHost(ChannelBuffer* const* buffers, std::int32_t count, bool dither) {
  const HostShape shape = shapeOf(buffers, count);
  if (shape.fit == Fit::Misfit) {
    for (std::int32_t c = 0; c < count; ++c) {
      std::memset(buffers[c]->data(), 0, static_cast<std::size_t>(buffers[c]->size()));
    }
  }
  if (shape.fit != Fit::Fits) {
    return shape.fit == Fit::NoChannels;
  }
  if (const ToHostMember member = findToHostMember(format_, shape.bits, dither)) {
    member(data_, buffers, count, shape.frames, noise_);
  }
  return true;
}

bool SampleConverter::fromHost(const ChannelBuffer* const* buffers, std::int32_t count, bool dither) {
  const HostShape shape = shapeOf(buffers, count);
  if (shape.fit != Fit::Fits) {
    return shape.fit == Fit::NoChannels;
  }
  if (const FromHostMember member = findFromHostMember(format_, shape.bits, dither)) {
    member(buffers, data_, count, shape.frames, noise_);
  }
  return true;
}

namespace {

// The addresses of an array's first count buffers; none for an array that is not there.
template <typename Buffer>
Buffer* const* addressesOf(Buffer* buffers, std::int32_t count,
                           Buffer* (&each)[SampleConverter::kMaxChannels]) {
  if (buffers == nullptr || count < 0 || count > SampleConverter::kMaxChannels) {
    return nullptr;
  }
  for (std::int32_t c = 0; c < count; ++c) {
    each[c] = &buffers[c];
  }
  return each;
}

} // namespace

bool SampleConverter::toHost(ChannelBuffer* buffers, std::int32_t count, bool dither) {
  ChannelBuffer* each[kMaxChannels];
  return toHost(addressesOf(buffers, count, each), count, dither);
}

bool SampleConverter::fromHost(const ChannelBuffer* buffers, std::int32_t count, bool dither) {
  const ChannelBuffer* each[kMaxChannels];
  return fromHost(addressesOf(buffers, count, each), count, dither);
}
