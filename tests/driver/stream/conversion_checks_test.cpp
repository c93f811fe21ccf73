// What a conversion checks before it touches a sample, on a 2-channel 24-bit converter of 8
// frames (48 stream bytes).
#include <driver/stream/sample_converter.h>

#include "reference_conversion.h"
#include "stream_test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using reference::Bytes;

constexpr int kChannels = 2;
constexpr int kFrames = 8;

struct Rig {
  Bytes stream;
  SampleConverter converter;
  std::vector<ChannelBuffer> host;

  // frames[c] < 0 leaves buffer c without data.
  Rig(int deviceBits, const std::vector<int>& frames, const std::vector<int>& bits, std::mt19937& rng)
      : host(frames.size()) {
    stream = stream_test::randomBytes(static_cast<std::size_t>(kFrames * kChannels * 3), rng);
    converter.setup(stream.data(), kChannels, deviceBits, kFrames, false, false, false);
    for (std::size_t c = 0; c < frames.size(); ++c) {
      if (frames[c] >= 0) {
        host[c] = std::move(stream_test::randomHostBuffers(1, bits[c], frames[c], rng)[0]);
      }
    }
  }
};

struct Call {
  const char* what;
  std::vector<int> frames;
  std::vector<int> bits;
  int count;
  bool withArray;
};

TEST(ConversionChecks, RefusedCallsChangeNothing) {
  const Call calls[] = {
      {"fewer buffers than channels", {8, 8, 8}, {24, 24, 24}, 1, true},
      {"more buffers than channels", {8, 8, 8}, {24, 24, 24}, 3, true},
      {"no buffer array", {8, 8}, {24, 24}, 2, false},
      {"a buffer without data", {8, -1}, {24, 24}, 2, true},
      {"the first buffer without data", {-1, 8}, {24, 24}, 2, true},
  };
  std::mt19937 rng(21);
  for (const Call& call : calls) {
    SCOPED_TRACE(call.what);
    Rig rig(24, call.frames, call.bits, rng);
    const Bytes stream = rig.stream;
    const reference::Channels host = stream_test::samplesOf(rig.host);
    ChannelBuffer* buffers = call.withArray ? rig.host.data() : nullptr;
    for (bool dither : {false, true}) {
      EXPECT_FALSE(rig.converter.toHost(buffers, call.count, dither));
      EXPECT_FALSE(rig.converter.fromHost(buffers, call.count, dither));
    }
    EXPECT_EQ(stream_test::samplesOf(rig.host), host);
    EXPECT_EQ(rig.stream, stream);
  }
}

// Capture zeroes the buffers so the host hears silence, not the previous half.
TEST(ConversionChecks, BuffersThatDoNotFitFail) {
  const Call calls[] = {
      {"more frames than the stream holds", {9, 9}, {24, 24}, 2, true},
      {"buffers of different lengths", {8, 4}, {24, 24}, 2, true},
      {"a shorter first buffer", {4, 8}, {24, 24}, 2, true},
      {"buffers of different widths", {8, 8}, {16, 24}, 2, true},
  };
  std::mt19937 rng(22);
  for (const Call& call : calls) {
    SCOPED_TRACE(call.what);
    Rig rig(24, call.frames, call.bits, rng);
    const Bytes stream = rig.stream;
    EXPECT_FALSE(rig.converter.fromHost(rig.host.data(), call.count, true));
    EXPECT_EQ(rig.stream, stream);
    EXPECT_FALSE(rig.converter.toHost(rig.host.data(), call.count, true));
    for (const Bytes& samples : stream_test::samplesOf(rig.host)) {
      EXPECT_EQ(samples, Bytes(samples.size(), 0));
    }
    EXPECT_EQ(rig.stream, stream);
  }
}

TEST(ConversionChecks, PairsOutsideTheTablesChangeNothingAndSucceed) {
  struct Pair {
    const char* what;
    int deviceBits;
    int hostBits;
  };
  const Pair pairs[] = {
      {"a device width without samples", 18, 24},
      {"a device width without samples, 16-bit host", 0, 16},
      {"a host width outside the tables", 24, 20},
  };
  std::mt19937 rng(23);
  for (const Pair& pair : pairs) {
    SCOPED_TRACE(pair.what);
    Rig rig(pair.deviceBits, {kFrames, kFrames}, {pair.hostBits, pair.hostBits}, rng);
    const Bytes stream = rig.stream;
    const reference::Channels host = stream_test::samplesOf(rig.host);
    for (bool dither : {false, true}) {
      EXPECT_TRUE(rig.converter.toHost(rig.host.data(), kChannels, dither));
      EXPECT_TRUE(rig.converter.fromHost(rig.host.data(), kChannels, dither));
    }
    EXPECT_EQ(stream_test::samplesOf(rig.host), host);
    EXPECT_EQ(rig.stream, stream);
  }
}

TEST(ConversionChecks, NoChannelsConvertNothingAndSucceed) {
  std::mt19937 rng(24);
  std::vector<ChannelBuffer> host = stream_test::randomHostBuffers(1, 24, kFrames, rng);
  const reference::Channels before = stream_test::samplesOf(host);

  SampleConverter neverSetUp;
  EXPECT_TRUE(neverSetUp.toHost(host.data(), 0, true));
  EXPECT_TRUE(neverSetUp.fromHost(host.data(), 0, true));

  SampleConverter empty;
  ASSERT_TRUE(empty.setup(nullptr, 0, 24, kFrames, false, false, true));
  EXPECT_EQ(empty.byteCount(), 0);
  EXPECT_TRUE(empty.toHost(host.data(), 0, false));
  EXPECT_TRUE(empty.fromHost(host.data(), 0, false));
  EXPECT_FALSE(empty.toHost(host.data(), 1, false));
  EXPECT_EQ(stream_test::samplesOf(host), before);
}

} // namespace
