#include <driver/device/stream_ring.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <numeric>
#include <vector>

namespace {

constexpr std::uint32_t kCapacity = kernel::kRingCapacity;

std::vector<std::uint8_t> counting(std::size_t n, std::uint8_t first = 1) {
  std::vector<std::uint8_t> v(n);
  std::iota(v.begin(), v.end(), first);
  return v;
}

class Ring : public ::testing::Test {
protected:
  std::unique_ptr<kernel::StreamBlock> block_ = std::make_unique<kernel::StreamBlock>();
  kernel::RingBuffer& playback() { return block_->playback; }
  kernel::RingBuffer& capture() { return block_->capture; }
};

TEST_F(Ring, WriteWrapsAtTheEnd) {
  playback().writeOffset = 100000;
  playback().readOffset = 100000;
  const auto data = counting(1000);
  writePlayback(playback(), data.data(), 1000);
  EXPECT_EQ(playback().writeOffset, 200u);
  EXPECT_EQ(playback().fillCount, 1000u);
  EXPECT_EQ(playback().data[100000], 1);
  EXPECT_EQ(playback().data[kCapacity - 1], data[799]);
  EXPECT_EQ(playback().data[0], data[800]);
  EXPECT_EQ(playback().data[199], data[999]);
}

TEST_F(Ring, AnOverfullWriteMovesTheReader) {
  playback().fillCount = 100500;
  playback().writeOffset = 5000;
  playback().readOffset = 5300;
  const auto data = counting(1000);
  writePlayback(playback(), data.data(), 1000);
  EXPECT_EQ(playback().fillCount, kCapacity);
  EXPECT_EQ(playback().readOffset, playback().writeOffset);
  EXPECT_EQ(playback().writeOffset, 6000u);
}

TEST_F(Ring, FillCountPastTheCapacityIsCapped) {
  playback().fillCount = 100500;
  playback().writeOffset = 10;
  playback().readOffset = 5;
  const auto data = counting(1000);
  writePlayback(playback(), data.data(), 1000);
  EXPECT_EQ(playback().fillCount, kCapacity);
  EXPECT_EQ(playback().readOffset, 1010u);
}

TEST_F(Ring, ReadingMoreThanHeldStopsShort) {
  const auto data = counting(1000);
  std::memcpy(capture().data + 300, data.data(), 1000);
  capture().readOffset = 300;
  capture().writeOffset = 1300;
  capture().fillCount = 1000;
  std::vector<std::uint8_t> out(4096, 0xEE);
  EXPECT_EQ(readCapture(capture(), out.data(), 4096), 1000u);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), out.begin()));
  EXPECT_EQ(out[1000], 0xEE) << "the rest keeps what it held";
  EXPECT_EQ(capture().fillCount, 0u);
  EXPECT_EQ(capture().readOffset, capture().writeOffset);
}

TEST_F(Ring, AFullRingReadsAsWrapped) {
  for (std::uint32_t i = 0; i < kCapacity; ++i) {
    capture().data[i] = static_cast<std::uint8_t>(i % 251);
  }
  capture().readOffset = 100000;
  capture().writeOffset = 100000;
  capture().fillCount = kCapacity;
  std::vector<std::uint8_t> out(2000);
  EXPECT_EQ(readCapture(capture(), out.data(), 2000), 2000u);
  for (std::uint32_t i = 0; i < 2000; ++i) {
    ASSERT_EQ(out[i], static_cast<std::uint8_t>(((100000 + i) % kCapacity) % 251)) << i;
  }
  EXPECT_EQ(capture().readOffset, 1200u);
  EXPECT_EQ(capture().fillCount, kCapacity - 2000);
}

TEST_F(Ring, ReadingExactlyToTheEndGoesBackToTheStart) {
  capture().readOffset = kCapacity - 100;
  capture().writeOffset = 50;
  capture().fillCount = 150;
  std::vector<std::uint8_t> out(100);
  EXPECT_EQ(readCapture(capture(), out.data(), 100), 100u);
  EXPECT_EQ(capture().readOffset, 0u);
  EXPECT_EQ(capture().fillCount, 50u);
}

TEST_F(Ring, OffsetsFromTheKernelAreHeldToTheRing) {
  capture().readOffset = 0xFFFFFFF0;
  capture().writeOffset = 0xFFFFFFFF;
  capture().fillCount = 0xFFFFFFFF;
  std::vector<std::uint8_t> out(kCapacity);
  EXPECT_LE(readCapture(capture(), out.data(), kCapacity), kCapacity);
  playback().writeOffset = 0xFFFFFFFF;
  const auto data = counting(16);
  writePlayback(playback(), data.data(), 16);
  EXPECT_LE(playback().writeOffset, kCapacity);
}

TEST_F(Ring, ResetAndStatus) {
  playback().fillCount = 7;
  block_->dropFlag = 1;
  resetStreamBlock(*block_, reinterpret_cast<HANDLE>(0x1234), -5);
  EXPECT_EQ(playback().fillCount, 0u);
  EXPECT_EQ(block_->dropFlag, 0);
  EXPECT_EQ(block_->eventHandle, 0x1234u);
  EXPECT_EQ(block_->latencyAllowance, -5);

  capture().fillCount = 4800;
  playback().fillCount = 1200;
  block_->lostMilliseconds = 3;
  block_->outputCredit = -12;
  const kernel::StreamFormat format = {48000, 2, 24, 4, 16, 0};
  StreamStatus status;
  readStreamStatus(*block_, format, status);
  EXPECT_EQ(status.lostMilliseconds, 3);
  EXPECT_EQ(block_->lostMilliseconds, 0u) << "taken";
  EXPECT_EQ(status.captureFill, 4800);
  EXPECT_EQ(status.captureFree, static_cast<std::int32_t>(kCapacity) - 4800);
  EXPECT_EQ(status.captureFillFrames, 800) << "2 channels of 3 bytes";
  EXPECT_EQ(status.playbackFill, 1200);
  EXPECT_EQ(status.playbackFillFrames, 150) << "4 channels of 2 bytes";
  EXPECT_EQ(status.outputCredit, -12);

  const kernel::StreamFormat outputsOnly = {48000, 0, 16, 2, 20, 0};
  readStreamStatus(*block_, outputsOnly, status);
  EXPECT_EQ(status.captureFill, 0);
  EXPECT_EQ(status.captureFree, 0);
  const kernel::StreamFormat oddBits = {48000, 2, 12, 2, 16, 0};
  readStreamStatus(*block_, oddBits, status);
  EXPECT_EQ(status.captureFillFrames, 4800) << "left as bytes when a frame has no size";
}

TEST_F(Ring, DropCountsDownThroughOutputBlocks) {
  block_->dropFlag = 1;
  block_->dropByteCount = 1000;
  EXPECT_EQ(bytesAfterDrop(*block_, 768), 0u);
  EXPECT_EQ(block_->dropByteCount, 232);
  EXPECT_EQ(bytesAfterDrop(*block_, 768), 536u);
  EXPECT_EQ(block_->dropByteCount, 0);
  EXPECT_EQ(bytesAfterDrop(*block_, 768), 768u);
  block_->dropFlag = 0;
  block_->dropByteCount = 5000;
  EXPECT_EQ(bytesAfterDrop(*block_, 768), 768u) << "no flag, no drop";
  block_->outputCredit = 100;
  EXPECT_EQ(subtractOutputCredit(*block_, 768), -668);
}

} // namespace
