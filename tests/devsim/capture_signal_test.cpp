// What the simulated devices record: loopback of what they played, with channels and sample
// widths mapped, or a generated signal.
#include "support/devsim_fixture.h"
#include "support/profile_helpers.h"
#include "support/stream_harness.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

using devsimtest::DevsimTest;
using devsimtest::OpenDevice;
using devsimtest::plugPath;
using devsimtest::StreamHarness;

namespace {

class CaptureSignal : public DevsimTest {
protected:
  // Streams `format` on a device of `profile` for 2 ms; `played` goes to the playback ring.
  std::vector<std::uint8_t> capture(const std::string& profile, const kernel::StreamFormat& format,
                                    const std::vector<std::uint8_t>& played, devsim::CaptureSignal signal) {
    devsim::DeviceId id = 0;
    OpenDevice device(client(), plugPath(profile, &id));
    device.closeStreaming();
    kernel::StreamFormat selected = format;
    EXPECT_TRUE(client().send(device.control, kernel::kRequestSetFormat, selected).ok);
    device.streaming = client().open(devsim::device(id)->devicePath + "\\IO");
    EXPECT_TRUE(devsim::setCaptureSignal(id, signal));
    StreamHarness stream(device);
    EXPECT_TRUE(stream.start().ok);
    stream.writePlayback(played);
    devsim::advance(2);
    return stream.readCapture(kernel::kRingCapacity);
  }
};

std::vector<std::uint8_t> repeated(const std::vector<std::uint8_t>& frame, std::size_t frames) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t f = 0; f < frames; ++f) {
    bytes.insert(bytes.end(), frame.begin(), frame.end());
  }
  return bytes;
}

TEST_P(CaptureSignal, LoopbackKeepsTheMostSignificantBytesOfAnotherWidth) {
  // 16-bit output samples 0x1234 (left) and 0xABCD (right) come back as 24-bit input.
  const auto captured = capture("generic", {44100, 2, 24, 2, 16, 0}, repeated({0x34, 0x12, 0xCD, 0xAB}, 88),
                                devsim::CaptureSignal::Loopback);
  EXPECT_EQ(captured, repeated({0x00, 0x34, 0x12, 0x00, 0xCD, 0xAB}, 88));
  // And 24-bit output down to 16-bit input.
  devsim::reset();
  ASSERT_TRUE(devsim::setClockMode(devsim::ClockMode::Stepped));
  const auto narrowed =
      capture("generic", {44100, 2, 16, 2, 24, 0}, repeated({0x11, 0x22, 0x33, 0x44, 0x55, 0x66}, 88),
              devsim::CaptureSignal::Loopback);
  EXPECT_EQ(narrowed, repeated({0x22, 0x33, 0x55, 0x66}, 88));
}

TEST_P(CaptureSignal, LoopbackTakesInputChannelsFromTheOutputsInTurn) {
  devsim::defineProfile(devsimtest::fourInTwoOut());
  const auto captured = capture("four-in-two-out", {48000, 4, 16, 2, 16, 0}, repeated({1, 0, 2, 0}, 96),
                                devsim::CaptureSignal::Loopback);
  EXPECT_EQ(captured, repeated({1, 0, 2, 0, 1, 0, 2, 0}, 96));
}

TEST_P(CaptureSignal, RampCountsTheInterleavedSamples) {
  const auto captured = capture("generic", {44100, 2, 16, 2, 16, 0}, {}, devsim::CaptureSignal::Ramp);
  ASSERT_EQ(captured.size(), 88u * 4);
  for (std::size_t s = 0; s < 88 * 2; ++s) {
    EXPECT_EQ(captured[2 * s] | captured[2 * s + 1] << 8, static_cast<int>(s)) << s;
  }
}

TEST_P(CaptureSignal, SineIsAHalfScaleToneAndSilenceIsZero) {
  const auto tone = capture("generic", {48000, 2, 16, 2, 16, 0}, {}, devsim::CaptureSignal::Sine);
  ASSERT_EQ(tone.size(), 96u * 4);
  int peak = 0;
  for (std::size_t s = 0; s < 96 * 2; ++s) {
    peak = std::max(peak, std::abs(static_cast<std::int16_t>(tone[2 * s] | tone[2 * s + 1] << 8)));
  }
  EXPECT_GT(peak, 0x3F00); // two whole cycles of 1 kHz pass their peak
  EXPECT_LE(peak, 0x4000);
  devsim::reset();
  ASSERT_TRUE(devsim::setClockMode(devsim::ClockMode::Stepped));
  const auto silence = capture("generic", {48000, 2, 16, 2, 16, 0}, repeated({9, 9, 9, 9}, 96),
                               devsim::CaptureSignal::Silence);
  EXPECT_EQ(silence, std::vector<std::uint8_t>(96 * 4, 0));
}

DEVSIM_ON_EVERY_BACKEND(CaptureSignal);

} // namespace
