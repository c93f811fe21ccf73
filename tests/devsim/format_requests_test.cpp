// Selecting a stream format, the transfer length and the clock source.
#include "support/devsim_fixture.h"

using devsimtest::DevsimTest;
using devsimtest::OpenDevice;
using devsimtest::plugPath;
using devsimtest::Reply;

namespace {

class FormatRequests : public DevsimTest {
protected:
  kernel::FormatReport report(const OpenDevice& device) {
    kernel::FormatReport value{};
    EXPECT_TRUE(client().send(device.control, kernel::kRequestGetFormat, value).ok);
    return value;
  }
  Reply select(const OpenDevice& device, kernel::StreamFormat format) {
    return client().send(device.control, kernel::kRequestSetFormat, format);
  }
  Reply transferLength(const OpenDevice& device, std::uint32_t ms) {
    return client().send(device.control, kernel::kRequestSetTransferLength, ms);
  }
};

struct FormatCase {
  const char* name;
  kernel::StreamFormat format;
  bool accepted;
};

// Against "multi-config": 2x2 16-bit 44.1/48 kHz; 8x8 24-bit 48/96 kHz; 2x2 16/24-bit 8..96 kHz.
const FormatCase kFormatCases[] = {
    {"first configuration", {48000, 2, 16, 2, 16, 0}, true},
    {"outputs only", {44100, 0, 0, 2, 16, 0}, true},
    {"inputs only", {44100, 2, 16, 0, 0, 0}, true},
    {"eight channels", {96000, 8, 24, 8, 24, 1}, true},
    {"continuous range", {22050, 2, 24, 2, 16, 2}, true},
    {"rate not listed", {96000, 2, 16, 2, 16, 0}, false},
    {"below the range", {7999, 2, 16, 2, 16, 2}, false},
    {"bits not offered", {48000, 2, 24, 2, 24, 0}, false},
    {"channels not offered", {48000, 8, 24, 2, 24, 1}, false},
    {"no such configuration", {48000, 2, 16, 2, 16, 3}, false},
    {"no channels at all", {48000, 0, 16, 0, 16, 0}, false},
    {"odd resolution", {48000, 2, 18, 2, 18, 2}, false},
};

TEST_P(FormatRequests, AcceptsExactlyTheFormatsOfTheImage) {
  OpenDevice device(client(), plugPath("multi-config"));
  device.closeStreaming();
  for (const FormatCase& c : kFormatCases) {
    const kernel::StreamFormat before = report(device).format;
    const Reply reply = select(device, c.format);
    EXPECT_EQ(reply.ok, c.accepted) << c.name;
    EXPECT_EQ(report(device).format, c.accepted ? c.format : before) << c.name;
    if (!c.accepted) {
      EXPECT_EQ(reply.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << c.name;
    }
  }
}

TEST_P(FormatRequests, SelectingNeedsTheStreamingHandleClosed) {
  OpenDevice device(client(), plugPath("generic"));
  const kernel::StreamFormat wanted{48000, 2, 24, 2, 24, 0};
  const Reply busy = select(device, wanted);
  EXPECT_FALSE(busy.ok);
  EXPECT_EQ(busy.error, static_cast<DWORD>(ERROR_BUSY));
  device.closeStreaming();
  EXPECT_TRUE(select(device, wanted).ok);
  EXPECT_EQ(report(device).format, wanted);
}

TEST_P(FormatRequests, ANewFormatLowersATransferLengthItCannotCarry) {
  OpenDevice device(client(), plugPath("eight-channel"));
  device.closeStreaming();
  ASSERT_TRUE(transferLength(device, 2).ok);
  // 8 x 24 bits both ways at 96 kHz: 4608 bytes a millisecond, so only 1 ms is left.
  ASSERT_TRUE(select(device, {96000, 8, 24, 8, 24, 0}).ok);
  EXPECT_EQ(report(device).transferMs, 1u);
}

struct LengthCase {
  const char* name;
  std::uint32_t ms;
  bool accepted;
};

// Against "generic" at 44100 Hz, 2 x 16 bits both ways: 352 bytes a millisecond.
const LengthCase kLengthCases[] = {
    {"one", 1, true},   {"five", 5, true},     {"ten", 10, true},
    {"zero", 0, false}, {"eleven", 11, false}, {"huge", 0xFFFFFFFF, false},
};

TEST_P(FormatRequests, TransferLengthsFromOneToTen) {
  const OpenDevice device(client(), plugPath("generic"));
  for (const LengthCase& c : kLengthCases) {
    const std::uint32_t before = report(device).transferMs;
    const Reply reply = transferLength(device, c.ms);
    EXPECT_EQ(reply.ok, c.accepted) << c.name;
    EXPECT_EQ(report(device).transferMs, c.accepted ? c.ms : before) << c.name;
  }
}

TEST_P(FormatRequests, TransferLengthStaysWithinTheTransferBuffer) {
  OpenDevice device(client(), plugPath("eight-channel"));
  device.closeStreaming();
  ASSERT_TRUE(select(device, {48000, 8, 24, 8, 24, 0}).ok); // 2304 bytes a millisecond
  EXPECT_TRUE(transferLength(device, 1).ok);
  const Reply two = transferLength(device, 2);
  EXPECT_FALSE(two.ok);
  EXPECT_EQ(two.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_P(FormatRequests, ClockSourceIsOneOfTwo) {
  const OpenDevice device(client(), plugPath("generic"));
  std::uint32_t source = 7;
  ASSERT_TRUE(client().send(device.control, kernel::kRequestGetClockSource, source).ok);
  EXPECT_EQ(source, 0u);
  source = 1;
  EXPECT_TRUE(client().send(device.control, kernel::kRequestSetClockSource, source).ok);
  source = 2;
  const Reply refused = client().send(device.control, kernel::kRequestSetClockSource, source);
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  ASSERT_TRUE(client().send(device.control, kernel::kRequestGetClockSource, source).ok);
  EXPECT_EQ(source, 1u);
}

DEVSIM_ON_EVERY_BACKEND(FormatRequests);

} // namespace
