// Every member of both tables, with and without dither, against the plain reference.
#include <driver/stream/sample_converter.h>

#include "reference_conversion.h"
#include "stream_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace {

using stream_test::randomBytes;
using stream_test::randomHostBuffers;
using stream_test::samplesOf;

struct Shape {
  int channels;
  int converterFrames;
  int hostFrames; // fewer than the converter's: only the start of the stream is used
};

// Every channel count with a walk of its own (1, 2, 4, 6, 8) and some without; a single
// frame, which no sample is moved through whole words in.
constexpr Shape kShapes[] = {{1, 7, 7},   {2, 32, 32}, {3, 5, 5}, {4, 10, 10}, {6, 4, 3},
                             {8, 32, 32}, {5, 12, 9},  {8, 1, 1}, {7, 2, 2}};
constexpr int kHostBits[] = {16, 24, 32};

std::string describe(const reference::DeviceFormat& device, int hostBits, bool dither, const Shape& shape) {
  return std::string(device.name) + " / H" + std::to_string(hostBits) + (dither ? " dithered, " : ", ") +
         std::to_string(shape.channels) + " channels × " + std::to_string(shape.hostFrames) + " frames";
}

// Runs check for every member, with and without dither, over every shape.
template <class Check>
void forEveryMember(Check check) {
  for (const reference::DeviceFormat& device : reference::deviceFormats()) {
    for (int hostBits : kHostBits) {
      for (bool dither : {false, true}) {
        for (const Shape& shape : kShapes) {
          SCOPED_TRACE(describe(device, hostBits, dither, shape));
          check(device, hostBits, dither, shape);
        }
      }
    }
  }
}

TEST(ConversionTable, EveryCaptureMemberMatchesTheReference) {
  std::mt19937 rng(11);
  forEveryMember([&rng](const reference::DeviceFormat& device, int hostBits, bool dither,
                        const Shape& shape) {
    SampleConverter converter;
    ASSERT_TRUE(converter.setup(nullptr, shape.channels, device.bits, shape.converterFrames,
                                device.bigEndian24, device.msbLsbMid24, true));
    std::vector<ChannelBuffer> host = randomHostBuffers(shape.channels, hostBits, shape.hostFrames, rng);
    reference::Noise noise;
    // A second call shows that the noise runs on from the first.
    for (int call = 0; call < 2; ++call) {
      const reference::Bytes stream = randomBytes(static_cast<std::size_t>(converter.byteCount()), rng);
      std::memcpy(converter.data(), stream.data(), stream.size());
      ASSERT_TRUE(converter.toHost(host.data(), shape.channels, dither));
      EXPECT_EQ(samplesOf(host),
                reference::toHost(device, hostBits, stream, shape.channels, shape.hostFrames, dither, noise))
          << "call " << call;
    }
  });
}

TEST(ConversionTable, EveryPlaybackMemberMatchesTheReference) {
  constexpr std::size_t kGuard = 16;
  std::mt19937 rng(12);
  forEveryMember([&rng](const reference::DeviceFormat& device, int hostBits, bool dither,
                        const Shape& shape) {
    const std::size_t bytes = static_cast<std::size_t>(shape.converterFrames * shape.channels * device.bytes);
    reference::Bytes stream = randomBytes(bytes + kGuard, rng);
    SampleConverter converter;
    ASSERT_TRUE(converter.setup(stream.data(), shape.channels, device.bits, shape.converterFrames,
                                device.bigEndian24, device.msbLsbMid24, false));
    reference::Noise noise;
    for (int call = 0; call < 2; ++call) {
      const std::vector<ChannelBuffer> host =
          randomHostBuffers(shape.channels, hostBits, shape.hostFrames, rng);
      reference::Bytes expected =
          reference::fromHost(device, hostBits, samplesOf(host), shape.hostFrames, dither, noise);
      // Past the converted samples the stream keeps what it had.
      expected.insert(expected.end(), stream.begin() + static_cast<std::ptrdiff_t>(expected.size()),
                      stream.end());
      ASSERT_TRUE(converter.fromHost(host.data(), shape.channels, dither));
      EXPECT_EQ(stream, expected) << "call " << call;
    }
  });
}

} // namespace
