#include <driver/stream/convert_layouts.h>
#include <driver/stream/convert_members.h>

#include <cstddef>

namespace {

using sample_layout::Be24;
using sample_layout::Host16;
using sample_layout::Host24;
using sample_layout::Host32;
using sample_layout::Le16;
using sample_layout::Le24;
using sample_layout::Le32;
using sample_layout::Mix24;

template <int NoiseBits>
std::uint32_t nextNoise(DitherNoise& noise) {
  noise.step();
  if constexpr (NoiseBits == 8) {
    return noise.noise8();
  } else if constexpr (NoiseBits == 12) {
    return noise.noise12();
  } else {
    static_assert(NoiseBits == 16);
    return noise.noise16();
  }
}

// The noise goes in at the source's least significant bit; the sum wraps without rounding
// or clipping before the store keeps the upper bytes.
template <class Source, class Target, int NoiseBits>
void convertSample(const std::uint8_t* from, std::uint8_t* to, DitherNoise& noise) {
  std::uint32_t v = Source::load(from);
  if constexpr (NoiseBits != 0) {
    v += nextNoise<NoiseBits>(noise) << (32 - Source::kBits);
  }
  Target::store(to, v);
}

// Visits every sample once. Dithered samples must go in stream order (frame by frame,
// channel by channel), since each takes the next noise; the others go channel by channel,
// which keeps one channel's buffer in hand for a whole run of frames.
template <class Device, class Host, bool StreamOrder, class StreamByte, class Visit>
void forEachSample(StreamByte* stream, const ChannelBuffer* const* host, std::int32_t channels,
                   std::int32_t frames, Visit visit) {
  if constexpr (StreamOrder) {
    for (std::int32_t frame = 0; frame < frames; ++frame) {
      const std::size_t at = static_cast<std::size_t>(frame) * Host::kBytes;
      for (std::int32_t c = 0; c < channels; ++c) {
        visit(stream, host[c]->data() + at);
        stream += Device::kBytes;
      }
    }
  } else {
    const std::size_t stride = static_cast<std::size_t>(channels) * Device::kBytes;
    for (std::int32_t c = 0; c < channels; ++c) {
      StreamByte* sample = stream + static_cast<std::size_t>(c) * Device::kBytes;
      std::uint8_t* const samples = host[c]->data();
      for (std::int32_t frame = 0; frame < frames; ++frame) {
        visit(sample, samples + static_cast<std::size_t>(frame) * Host::kBytes);
        sample += stride;
      }
    }
  }
}

// The members work on a copy of the noise: byte stores may alias anything, a local cannot
// be aliased, so its state stays in registers.
template <class Device, class Host, int NoiseBits>
void toHostRun(const std::uint8_t* stream, ChannelBuffer* const* host, std::int32_t channels,
               std::int32_t frames, DitherNoise& noise) {
  DitherNoise local = noise;
  forEachSample<Device, Host, NoiseBits != 0>(stream, host, channels, frames,
                                              [&local](const std::uint8_t* from, std::uint8_t* to) {
                                                convertSample<Device, Host, NoiseBits>(from, to, local);
                                              });
  noise = local;
}

template <class Device, class Host, int NoiseBits>
void fromHostRun(const ChannelBuffer* const* host, std::uint8_t* stream, std::int32_t channels,
                 std::int32_t frames, DitherNoise& noise) {
  DitherNoise local = noise;
  forEachSample<Device, Host, NoiseBits != 0>(stream, host, channels, frames,
                                              [&local](std::uint8_t* to, const std::uint8_t* from) {
                                                convertSample<Host, Device, NoiseBits>(from, to, local);
                                              });
  noise = local;
}

template <class Member>
struct MemberPair {
  Member plain;
  Member dithered;
};

// NoiseBits is the noise of the dithered member; 0 where the pair drops no bits and the
// dithered member is the plain one.
template <class Device, class Host, int NoiseBits>
constexpr MemberPair<ToHostMember> toHost = {&toHostRun<Device, Host, 0>,
                                             &toHostRun<Device, Host, NoiseBits>};

template <class Device, class Host, int NoiseBits>
constexpr MemberPair<FromHostMember> fromHost = {&fromHostRun<Device, Host, 0>,
                                                 &fromHostRun<Device, Host, NoiseBits>};

constexpr int kHostWidths = 3;
constexpr int kDeviceFormats = static_cast<int>(DeviceFormat::Unknown);

// Rows in the order of DeviceFormat, columns H16, H24, H32.
constexpr MemberPair<ToHostMember> kToHost[kDeviceFormats][kHostWidths] = {
    {toHost<Le16, Host16, 0>, toHost<Le16, Host24, 0>, toHost<Le16, Host32, 0>},
    {toHost<Le24, Host16, 8>, toHost<Le24, Host24, 0>, toHost<Le24, Host32, 0>},
    {toHost<Le24, Host16, 8>, toHost<Le24, Host24, 0>, toHost<Le24, Host32, 0>},
    {toHost<Be24, Host16, 8>, toHost<Be24, Host24, 0>, toHost<Be24, Host32, 0>},
    {toHost<Mix24, Host16, 8>, toHost<Mix24, Host24, 0>, toHost<Mix24, Host32, 0>},
    {toHost<Le32, Host16, 16>, toHost<Le32, Host24, 8>, toHost<Le32, Host32, 0>},
};

constexpr MemberPair<FromHostMember> kFromHost[kDeviceFormats][kHostWidths] = {
    {fromHost<Le16, Host16, 0>, fromHost<Le16, Host24, 8>, fromHost<Le16, Host32, 16>},
    {fromHost<Le24, Host16, 0>, fromHost<Le24, Host24, 8>, fromHost<Le24, Host32, 12>},
    {fromHost<Le24, Host16, 0>, fromHost<Le24, Host24, 0>, fromHost<Le24, Host32, 8>},
    {fromHost<Be24, Host16, 0>, fromHost<Be24, Host24, 0>, fromHost<Be24, Host32, 8>},
    {fromHost<Mix24, Host16, 0>, fromHost<Mix24, Host24, 0>, fromHost<Mix24, Host32, 8>},
    {fromHost<Le32, Host16, 0>, fromHost<Le32, Host24, 0>, fromHost<Le32, Host32, 0>},
};

int hostColumn(std::int32_t hostBits) {
  switch (hostBits) {
  case 16:
    return 0;
  case 24:
    return 1;
  case 32:
    return 2;
  default:
    return -1;
  }
}

template <class Member>
Member find(const MemberPair<Member> (&table)[kDeviceFormats][kHostWidths], DeviceFormat device,
            std::int32_t hostBits, bool dither) {
  const int column = hostColumn(hostBits);
  if (device == DeviceFormat::Unknown || column < 0) {
    return nullptr;
  }
  const MemberPair<Member>& pair = table[static_cast<int>(device)][column];
  return dither ? pair.dithered : pair.plain;
}

} // namespace

DeviceFormat deviceFormatOf(std::int32_t bits, bool bigEndian24, bool msbLsbMid24) {
  switch (bits) {
  case 16:
    return DeviceFormat::D16;
  case 20:
    return DeviceFormat::D20;
  case 24:
    if (!bigEndian24) {
      return DeviceFormat::D24;
    }
    return msbLsbMid24 ? DeviceFormat::D24mix : DeviceFormat::D24be;
  case 32:
    return DeviceFormat::D32;
  default:
    return DeviceFormat::Unknown;
  }
}

ToHostMember findToHostMember(DeviceFormat device, std::int32_t hostBits, bool dither) {
  return find(kToHost, device, hostBits, dither);
}

FromHostMember findFromHostMember(DeviceFormat device, std::int32_t hostBits, bool dither) {
  return find(kFromHost, device, hostBits, dither);
}
