// The stream engine in stepped mode: what each transfer period moves, the counters of the
// stream block and the event.
#include "support/devsim_fixture.h"
#include "support/stream_harness.h"

#include <algorithm>
#include <atomic>
#include <memory>

using devsimtest::countingBytes;
using devsimtest::DevsimTest;
using devsimtest::OpenDevice;
using devsimtest::plugPath;
using devsimtest::StreamHarness;

namespace {

// "generic" streams 2 x 16 bits both ways at 44100 Hz in 2 ms periods: 88 frames, 88, 88,
// 88, 89 in the first 10 ms (441 frames, 1764 bytes).
constexpr std::uint32_t kTenMsBytes = 441 * 4;

class Stream : public DevsimTest {
protected:
  void open(const std::string& profile) {
    path_ = plugPath(profile, &id_);
    device_ = std::make_unique<OpenDevice>(client(), path_);
    ASSERT_TRUE(device_->isOpen());
    stream_ = std::make_unique<StreamHarness>(*device_);
  }
  void TearDown() override {
    stream_.reset();
    device_.reset();
    DevsimTest::TearDown();
  }
  devsim::StreamInfo info() const { return *devsim::streamInfo(id_); }
  std::int32_t credit() { return kernel::shared(stream_->block().outputCredit).load(); }
  std::uint32_t lost() { return kernel::shared(stream_->block().lostMilliseconds).load(); }

  devsim::DeviceId id_ = 0;
  std::string path_;
  std::unique_ptr<OpenDevice> device_;
  std::unique_ptr<StreamHarness> stream_;
};

TEST_P(Stream, StartNeedsABlockAndStopAlwaysSucceeds) {
  open("generic");
  kernel::StreamStartRequest noBlock{};
  noBlock.start = 1;
  const auto refused = client().send(device_->streaming, kernel::kRequestStream, noBlock);
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  kernel::StreamStartRequest32 shortStop{};
  EXPECT_TRUE(client().send(device_->streaming, kernel::kRequestStream, shortStop).ok);
  if (sizeof(void*) == 8) {
    // A 64-bit kernel cannot take an address from the 32-bit form.
    kernel::StreamStartRequest32 shortStart{};
    shortStart.start = 1;
    shortStart.blockAddress = 0x1000;
    const auto reply = client().send(device_->streaming, kernel::kRequestStream, shortStart);
    EXPECT_FALSE(reply.ok);
    EXPECT_EQ(reply.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  EXPECT_FALSE(info().streaming);
}

TEST_P(Stream, EachPeriodDrainsPlaybackAndLoopsItBackIntoCapture) {
  open("generic");
  ASSERT_TRUE(stream_->start().ok);
  EXPECT_TRUE(info().streaming);
  const auto written = countingBytes(4000);
  ASSERT_EQ(stream_->writePlayback(written), 4000u);
  devsim::advance(10);

  const auto played = devsim::takePlayed(id_);
  ASSERT_EQ(played.size(), kTenMsBytes);
  EXPECT_TRUE(std::equal(played.begin(), played.end(), written.begin()));
  EXPECT_EQ(stream_->playbackFill(), 4000u - kTenMsBytes);
  EXPECT_EQ(stream_->block().playback.readOffset, kTenMsBytes);
  EXPECT_EQ(stream_->captureFill(), kTenMsBytes);
  EXPECT_EQ(stream_->block().capture.writeOffset, kTenMsBytes);
  EXPECT_EQ(devsim::takeCaptured(id_), played);
  EXPECT_EQ(stream_->readCapture(8192), played);
  EXPECT_TRUE(stream_->takeEvent());

  const auto counters = info();
  EXPECT_EQ(counters.periods, 5u);
  EXPECT_EQ(counters.streamMs, 10u);
  EXPECT_EQ(counters.underrunBytes, 0u);
  EXPECT_EQ(counters.latencyAllowance, 0);
}

TEST_P(Stream, PlaybackWaitsUntilTheRingHoldsTheAllowance) {
  open("generic");
  stream_->block().latencyAllowance = 300; // frames: 1200 bytes of 2 x 16 bits
  ASSERT_TRUE(stream_->start().ok);
  EXPECT_EQ(info().latencyAllowance, 300);
  stream_->writePlayback(countingBytes(1000, 1));
  devsim::advance(4);
  EXPECT_EQ(stream_->playbackFill(), 1000u) << "not yet collected: nothing drained";
  EXPECT_EQ(info().underrunBytes, 0u) << "the silence while collecting is no underrun";
  EXPECT_GT(credit(), 0) << "the device's clock runs while it collects";
  stream_->writePlayback(countingBytes(200, 1));
  devsim::advance(2);
  EXPECT_LT(stream_->playbackFill(), 1200u) << "collected: it plays";
  const std::vector<std::uint8_t> played = devsim::takePlayed(id_);
  const auto first = std::find_if(played.begin(), played.end(), [](std::uint8_t b) { return b != 0; });
  ASSERT_NE(first, played.end());
  EXPECT_EQ(*first, 1) << "the ring plays from its start";
}

TEST_P(Stream, AnEmptyPlaybackRingPlaysZeros) {
  open("generic");
  ASSERT_TRUE(stream_->start().ok);
  stream_->writePlayback(countingBytes(100, 1));
  devsim::advance(2);
  const auto played = devsim::takePlayed(id_);
  ASSERT_EQ(played.size(), 88u * 4);
  EXPECT_EQ(played[99], 100);
  EXPECT_EQ(played[100], 0);
  EXPECT_EQ(played.back(), 0);
  EXPECT_EQ(info().underrunBytes, 88u * 4 - 100);
  EXPECT_EQ(stream_->playbackFill(), 0u);
}

TEST_P(Stream, EventIsSetOnlyWhenAPeriodEnds) {
  open("generic");
  ASSERT_TRUE(stream_->start().ok);
  devsim::advance(1);
  EXPECT_FALSE(stream_->takeEvent());
  devsim::advance(1);
  EXPECT_TRUE(stream_->takeEvent());
}

TEST_P(Stream, RingsWrapAroundTheirEnd) {
  open("generic");
  kernel::RingBuffer& playback = stream_->block().playback;
  playback.readOffset = playback.writeOffset = kernel::kRingCapacity - 400;
  stream_->block().capture.writeOffset = kernel::kRingCapacity - 400;
  stream_->block().capture.readOffset = kernel::kRingCapacity - 400;
  ASSERT_TRUE(stream_->start().ok);
  const auto written = countingBytes(kTenMsBytes, 7);
  stream_->writePlayback(written);
  devsim::advance(10);
  EXPECT_EQ(devsim::takePlayed(id_), written);
  EXPECT_EQ(playback.readOffset, kTenMsBytes - 400);
  EXPECT_EQ(stream_->block().capture.writeOffset, kTenMsBytes - 400);
  EXPECT_EQ(stream_->readCapture(kTenMsBytes), written);
}

TEST_P(Stream, OutputCreditGrowsByTheDrainedBytesUpToOneRing) {
  open("outputs-only");
  ASSERT_TRUE(stream_->start().ok);
  devsim::advance(10);
  EXPECT_EQ(credit(), static_cast<std::int32_t>(kTenMsBytes));
  kernel::shared(stream_->block().outputCredit).fetch_sub(2000); // the library wrote a buffer
  devsim::advance(10);
  EXPECT_EQ(credit(), static_cast<std::int32_t>(2 * kTenMsBytes) - 2000);
  devsim::advance(1000);
  EXPECT_EQ(credit(), static_cast<std::int32_t>(kernel::kRingCapacity));
}

TEST_P(Stream, CaptureBeyondAFullRingIsLost) {
  open("inputs-only");
  ASSERT_TRUE(stream_->start().ok);
  devsim::advance(600); // 26460 frames of 4 bytes; the ring holds 25200
  EXPECT_EQ(stream_->captureFill(), kernel::kRingCapacity);
  EXPECT_EQ(info().overrunBytes, 26460u * 4 - kernel::kRingCapacity);
  EXPECT_EQ(devsim::takeCaptured(id_).size(), kernel::kRingCapacity);
  EXPECT_EQ(credit(), 0); // no outputs, no credit
}

TEST_P(Stream, StoppingOrClosingTheStreamingHandleEndsTheStream) {
  open("generic");
  ASSERT_TRUE(stream_->start().ok);
  stream_->writePlayback(countingBytes(2000));
  ASSERT_TRUE(stream_->stop().ok);
  devsim::advance(10);
  EXPECT_EQ(stream_->playbackFill(), 2000u);
  EXPECT_FALSE(stream_->takeEvent());

  ASSERT_TRUE(stream_->start().ok);
  device_->closeStreaming(); // the kernel must not write into a block whose owner has gone
  EXPECT_FALSE(info().streaming);
  devsim::advance(10);
  EXPECT_EQ(stream_->playbackFill(), 2000u);
}

TEST_P(Stream, StartingAgainMovesTheStreamToTheNewBlock) {
  open("generic");
  ASSERT_TRUE(stream_->start().ok);
  StreamHarness second(*device_);
  ASSERT_TRUE(second.start().ok);
  devsim::advance(10);
  EXPECT_EQ(stream_->captureFill(), 0u);
  EXPECT_EQ(second.captureFill(), kTenMsBytes);
  EXPECT_TRUE(second.takeEvent());
  EXPECT_FALSE(stream_->takeEvent());
}

TEST_P(Stream, ATransferLengthChangeAppliesFromThePeriodAfterTheRunningOne) {
  open("generic");
  ASSERT_TRUE(stream_->start().ok);
  devsim::advance(3);
  std::uint32_t ms = 5;
  ASSERT_TRUE(client().send(device_->control, kernel::kRequestSetTransferLength, ms).ok);
  stream_->takeEvent();
  devsim::advance(1); // the running period ends at 4 ms as it began
  EXPECT_TRUE(stream_->takeEvent());
  devsim::advance(4);
  EXPECT_FALSE(stream_->takeEvent());
  devsim::advance(1); // the next one at 9 ms
  EXPECT_TRUE(stream_->takeEvent());
  EXPECT_EQ(info().periods, 3u);
  EXPECT_EQ(info().transferMs, 5u);
}

TEST_P(Stream, WakingLateCatchesUpOrReportsLostTime) {
  open("generic");
  ASSERT_TRUE(stream_->start().ok);
  devsim::oversleep(40); // within reach: every period runs
  EXPECT_EQ(info().periods, 20u);
  EXPECT_EQ(lost(), 0u);
  EXPECT_EQ(stream_->captureFill(), 1764u * 4);
  devsim::oversleep(100); // 50 periods due: 49 skipped as lost, the last one runs
  EXPECT_EQ(info().periods, 21u);
  EXPECT_EQ(lost(), 98u);
  EXPECT_EQ(info().streamMs, 140u);
}

TEST_P(Stream, StreamInfoRecordsTheMmeFlag) {
  open("generic");
  std::uint8_t flag = 1;
  ASSERT_TRUE(client().send(device_->streaming, kernel::kRequestMmeMode, flag).ok);
  EXPECT_TRUE(info().mmeMode);
  flag = 0;
  ASSERT_TRUE(client().send(device_->streaming, kernel::kRequestMmeMode, flag).ok);
  EXPECT_FALSE(info().mmeMode);
}

DEVSIM_ON_EVERY_BACKEND(Stream);

} // namespace
