#include <driver/stream/convert_layouts.h>
#include <driver/stream/convert_members.h>

#include <cstddef>
#include <type_traits>
#include <utility>

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

// A device layout moved through whole words (Wide) or sample by sample.
template <class Layout, bool Wide>
struct StreamAccess {
  static constexpr int kBytes = Layout::kBytes;
  static constexpr int kBits = Layout::kBits;
  static std::uint32_t load(const std::uint8_t* p) { return Wide ? Layout::loadWide(p) : Layout::load(p); }
  static void store(std::uint8_t* p, std::uint32_t v) {
    Wide ? Layout::storeWide(p, v) : Layout::store(p, v);
  }
};

constexpr std::int32_t kMostChannels = 255;

// Visits every sample once in stream order (frame by frame, channel by channel), which both
// the noise (one step per dithered sample, in that order) and the wide stream access (the
// byte after a sample is the next one visited) rely on. Every frame but the last moves its
// stream samples as whole words; the last one stays inside the stream. A Fixed channel
// count lets the compiler keep every channel's buffer in a register.
template <class Device, class Host, int Fixed, class StreamByte, class Visit>
void forEachSample(StreamByte* stream, const ChannelBuffer* const* host, std::int32_t channels,
                   std::int32_t frames, DitherNoise& noise, Visit visit) {
  const std::int32_t count = Fixed != 0 ? Fixed : channels;
  std::uint8_t* samples[Fixed != 0 ? Fixed : kMostChannels];
  for (std::int32_t c = 0; c < count; ++c) {
    samples[c] = host[c]->data();
  }
  // Each run works on a copy of the noise: byte stores may alias anything, a local whose
  // address never leaves the run cannot be aliased, so its state stays in registers.
  const auto run = [&](auto wide, std::int32_t first, std::int32_t end) {
    DitherNoise local = noise;
    for (std::int32_t frame = first; frame < end; ++frame) {
      const std::size_t at = static_cast<std::size_t>(frame) * Host::kBytes;
      if constexpr (Fixed != 0) {
        // Spelled out: a loop over the channels is not unrolled at every optimisation level.
        [&]<std::size_t... C>(std::index_sequence<C...>) {
          (visit(wide, stream + C * Device::kBytes, samples[C] + at, local), ...);
        }
        (std::make_index_sequence<Fixed>{});
        stream += Fixed * Device::kBytes;
      } else {
        for (std::int32_t c = 0; c < count; ++c) {
          visit(wide, stream, samples[c] + at, local);
          stream += Device::kBytes;
        }
      }
    }
    noise = local;
  };
  if (frames > 0) {
    run(std::true_type{}, 0, frames - 1);
    run(std::false_type{}, frames - 1, frames);
  }
}

// Channel counts that get a walk of their own.
template <class Body>
void withChannelCount(std::int32_t channels, Body body) {
  switch (channels) {
  case 1:
    return body(std::integral_constant<int, 1>{});
  case 2:
    return body(std::integral_constant<int, 2>{});
  case 4:
    return body(std::integral_constant<int, 4>{});
  case 6:
    return body(std::integral_constant<int, 6>{});
  case 8:
    return body(std::integral_constant<int, 8>{});
  default:
    return body(std::integral_constant<int, 0>{});
  }
}

template <class Device, class Host, int NoiseBits>
void toHostRun(const std::uint8_t* stream, ChannelBuffer* const* host, std::int32_t channels,
               std::int32_t frames, DitherNoise& noise) {
  withChannelCount(channels, [&](auto fixed) {
    forEachSample<Device, Host, fixed>(
        stream, host, channels, frames, noise,
        [](auto wide, const std::uint8_t* from, std::uint8_t* to, DitherNoise& local) {
          convertSample<StreamAccess<Device, wide>, Host, NoiseBits>(from, to, local);
        });
  });
}

template <class Device, class Host, int NoiseBits>
void fromHostRun(const ChannelBuffer* const* host, std::uint8_t* stream, std::int32_t channels,
                 std::int32_t frames, DitherNoise& noise) {
  withChannelCount(channels, [&](auto fixed) {
    forEachSample<Device, Host, fixed>(
        stream, host, channels, frames, noise,
        [](auto wide, std::uint8_t* to, const std::uint8_t* from, DitherNoise& local) {
          convertSample<Host, StreamAccess<Device, wide>, NoiseBits>(from, to, local);
        });
  });
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
