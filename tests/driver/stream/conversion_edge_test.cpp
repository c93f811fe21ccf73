// Single samples whose results are known by heart, and buffers longer than 16-bit counts.
#include <driver/stream/sample_converter.h>

#include "reference_conversion.h"
#include "stream_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

using reference::Bytes;

struct Sample {
  const char* what;
  bool capture;
  const char* device;
  int hostBits;
  bool dither;
  Bytes in;
  Bytes out;
};

// One sample of one channel through a fresh converter.
Bytes convertOne(const Sample& s) {
  const reference::DeviceFormat& device = reference::deviceFormat(s.device);
  ChannelBuffer host;
  host.allocate(s.hostBits, 1);
  Bytes stream(static_cast<std::size_t>(device.bytes));
  SampleConverter converter;
  EXPECT_TRUE(
      converter.setup(stream.data(), 1, device.bits, 1, device.bigEndian24, device.msbLsbMid24, false));
  if (s.capture) {
    std::memcpy(stream.data(), s.in.data(), s.in.size());
    EXPECT_TRUE(converter.toHost(&host, 1, s.dither));
    return {host.data(), host.data() + host.size()};
  }
  std::memcpy(host.data(), s.in.data(), s.in.size());
  EXPECT_TRUE(converter.fromHost(&host, 1, s.dither));
  return stream;
}

TEST(ConversionEdges, KnownSamples) {
  const Sample samples[] = {
      {"D32 to H16 keeps the upper bytes", true, "D32", 16, false, {0x00, 0x00, 0x34, 0x12}, {0x34, 0x12}},
      // The first noise8 is 0x36: the sum wraps into bit 24 and nothing is clipped.
      {"D24 to H16 dithered wraps", true, "D24", 16, true, {0xFF, 0xFF, 0x7F}, {0x00, 0x80}},
      {"D24 to H16 dithered from the top", true, "D24", 16, true, {0xFF, 0xFF, 0xFF}, {0x00, 0x00}},
      {"D32 to H24 dithered carries", true, "D32", 24, true, {0xCA, 0xFF, 0xFF, 0x00}, {0x00, 0x00, 0x01}},
      {"H16 to D24be", false, "D24be", 16, false, {0x34, 0x12}, {0x12, 0x34, 0x00}},
      {"H24 to D24mix", false, "D24mix", 24, false, {0x56, 0x34, 0x12}, {0x12, 0x56, 0x34}},
      {"H32 to D32 copies", false, "D32", 32, false, {0x78, 0x56, 0x34, 0x12}, {0x78, 0x56, 0x34, 0x12}},
      {"H32 to D32 copies with dither on",
       false,
       "D32",
       32,
       true,
       {0x78, 0x56, 0x34, 0x12},
       {0x78, 0x56, 0x34, 0x12}},
      // 0x7FFFFFFF plus the first noise12, 0x69D, keeps bits 8..31.
      {"H32 to D20 dithered wraps", false, "D20", 32, true, {0xFF, 0xFF, 0xFF, 0x7F}, {0x06, 0x00, 0x80}},
  };
  for (const Sample& s : samples) {
    EXPECT_EQ(convertOne(s), s.out) << s.what;
  }
}

// Frame counts past 32767 are counted in full, in both directions.
TEST(ConversionEdges, LongBuffers) {
  constexpr int kChannels = 2;
  constexpr int kFrames = 40000;
  std::mt19937 rng(3);
  const reference::DeviceFormat& device = reference::deviceFormat("D24mix");
  SampleConverter converter;
  ASSERT_TRUE(converter.setup(nullptr, kChannels, device.bits, kFrames, true, true, false));

  const Bytes stream = stream_test::randomBytes(static_cast<std::size_t>(converter.byteCount()), rng);
  std::memcpy(converter.data(), stream.data(), stream.size());
  std::vector<ChannelBuffer> host = stream_test::randomHostBuffers(kChannels, 16, kFrames, rng);
  reference::Noise noise;
  ASSERT_TRUE(converter.toHost(host.data(), kChannels, true));
  EXPECT_EQ(stream_test::samplesOf(host),
            reference::toHost(device, 16, stream, kChannels, kFrames, true, noise));

  host = stream_test::randomHostBuffers(kChannels, 32, kFrames, rng);
  const Bytes expected = reference::fromHost(device, 32, stream_test::samplesOf(host), kFrames, true, noise);
  ASSERT_TRUE(converter.fromHost(host.data(), kChannels, true));
  EXPECT_EQ(Bytes(converter.data(), converter.data() + converter.byteCount()), expected);
}

} // namespace
