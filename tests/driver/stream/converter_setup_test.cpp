#include <driver/stream/sample_converter.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ConverterSetup, SizesFollowTheDeviceWidth) {
  struct Case {
    int bits;
    int bytesPerSample;
  };
  const Case cases[] = {{16, 2}, {20, 3}, {24, 3}, {32, 4}, {18, 0}, {0, 0}};
  for (const Case& c : cases) {
    SampleConverter converter;
    EXPECT_TRUE(converter.setup(nullptr, 3, c.bits, 5, false, false, true)) << c.bits;
    EXPECT_NE(converter.data(), nullptr) << c.bits;
    EXPECT_EQ(converter.byteCount(), 15 * c.bytesPerSample) << c.bits;
    EXPECT_EQ(converter.frames(), 5) << c.bits;
  }
}

TEST(ConverterSetup, ExternalBufferStaysTheCallers) {
  Bytes buffer(40, 0xEE);
  SampleConverter converter;
  ASSERT_TRUE(converter.setup(nullptr, 2, 24, 4, false, false, false));
  // Replacing an owned buffer by the caller's one, without and with zero fill.
  ASSERT_TRUE(converter.setup(buffer.data(), 2, 16, 8, false, false, false));
  EXPECT_EQ(converter.data(), buffer.data());
  EXPECT_EQ(buffer, Bytes(40, 0xEE));
  ASSERT_TRUE(converter.setup(buffer.data(), 2, 16, 8, false, false, true));
  EXPECT_EQ(converter.byteCount(), 32);
  Bytes expected(32, 0);
  expected.resize(40, 0xEE);
  EXPECT_EQ(buffer, expected);
}

TEST(ConverterSetup, OwnedBufferIsZeroFilled) {
  SampleConverter converter;
  ASSERT_TRUE(converter.setup(nullptr, 4, 32, 16, false, false, true));
  std::fill(converter.data(), converter.data() + converter.byteCount(), 0xEE);
  ASSERT_TRUE(converter.setup(nullptr, 4, 32, 16, false, false, true));
  EXPECT_EQ(Bytes(converter.data(), converter.data() + converter.byteCount()), Bytes(256, 0));
}

// A converter that cannot hold its samples keeps nothing, so no later call can reach
// memory it does not have.
TEST(ConverterSetup, OutOfRangeSizesLeaveNothing) {
  struct Case {
    const char* what;
    int channels;
    int bits;
    int frames;
  };
  const Case cases[] = {
      {"more channels than a byte counts", 256, 16, 32},
      {"negative channels", -1, 16, 32},
      {"negative frames", 2, 16, -1},
      {"more bytes than 32 bits count", 255, 32, INT_MAX / 64},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SampleConverter converter;
    ASSERT_TRUE(converter.setup(nullptr, 2, 24, 32, false, false, true));
    EXPECT_FALSE(converter.setup(nullptr, c.channels, c.bits, c.frames, false, false, true));
    EXPECT_EQ(converter.data(), nullptr);
    EXPECT_EQ(converter.byteCount(), 0);
    EXPECT_EQ(converter.frames(), 0);
    std::vector<ChannelBuffer> host(2);
    host[0].allocate(24, 32);
    host[1].allocate(24, 32);
    EXPECT_FALSE(converter.toHost(host.data(), 2, false));
    EXPECT_FALSE(converter.fromHost(host.data(), 2, false));
  }
}

} // namespace
