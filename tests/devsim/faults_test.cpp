// Injected faults: failing and short requests, failing opens, stalls, lost time, drop
// requests, wrong interface versions and damaged descriptor images.
#include "support/devsim_fixture.h"
#include "support/stream_harness.h"

#include <atomic>
#include <cstring>
#include <memory>

using devsimtest::DevsimTest;
using devsimtest::OpenDevice;
using devsimtest::plugPath;
using devsimtest::Reply;
using devsimtest::StreamHarness;

namespace {

class Faults : public DevsimTest {
protected:
  void open(const char* profile = "generic") {
    device_ = std::make_unique<OpenDevice>(client(), plugPath(profile, &id_));
    ASSERT_TRUE(device_->isOpen());
  }
  void TearDown() override {
    stream_.reset();
    device_.reset();
    DevsimTest::TearDown();
  }
  void startStream() {
    stream_ = std::make_unique<StreamHarness>(*device_);
    ASSERT_TRUE(stream_->start().ok);
  }
  Reply version(std::uint32_t& value) {
    return client().send(device_->control, kernel::kRequestInterfaceVersion, value);
  }

  devsim::DeviceId id_ = 0;
  std::unique_ptr<OpenDevice> device_;
  std::unique_ptr<StreamHarness> stream_;
};

TEST_P(Faults, ARequestFailsTheGivenNumberOfTimesAndChangesNothing) {
  open();
  ASSERT_TRUE(devsim::failRequests(id_, kernel::kRequestSetClockSource, 2, ERROR_NOT_READY));
  std::uint32_t source = 1;
  for (int attempt = 0; attempt < 2; ++attempt) {
    const Reply reply = client().send(device_->control, kernel::kRequestSetClockSource, source);
    EXPECT_FALSE(reply.ok);
    EXPECT_EQ(reply.error, static_cast<DWORD>(ERROR_NOT_READY));
    std::uint32_t current = 9;
    ASSERT_TRUE(
        client().send(device_->control, kernel::kRequestGetClockSource, current).ok); // other codes pass
    EXPECT_EQ(current, 0u);
  }
  EXPECT_TRUE(client().send(device_->control, kernel::kRequestSetClockSource, source).ok);
}

TEST_P(Faults, CodeZeroFailsWhateverComesNext) {
  open();
  ASSERT_TRUE(devsim::failRequests(id_, 0, 1));
  std::uint32_t value = 0;
  const Reply failed = version(value);
  EXPECT_FALSE(failed.ok);
  EXPECT_EQ(failed.error, static_cast<DWORD>(ERROR_GEN_FAILURE));
  EXPECT_EQ(value, 0u); // as the library's zeroed version word: read as an old driver
  EXPECT_TRUE(version(value).ok);
}

TEST_P(Faults, AShortReplySucceedsWithFewerBytes) {
  open();
  ASSERT_TRUE(devsim::shortenReplies(id_, kernel::kRequestGetFormat, 1, 24));
  kernel::FormatReport report{};
  Reply reply = client().send(device_->control, kernel::kRequestGetFormat, report);
  EXPECT_TRUE(reply.ok);
  EXPECT_EQ(reply.returned, 24u); // the library takes a report only when 28 bytes came back
  reply = client().send(device_->control, kernel::kRequestGetFormat, report);
  EXPECT_EQ(reply.returned, 28u);
}

TEST_P(Faults, OpensFailTheGivenNumberOfTimes) {
  devsim::DeviceId id = 0;
  const std::string path = plugPath("generic", &id);
  ASSERT_TRUE(devsim::failOpens(id, 1));
  DWORD error = 0;
  EXPECT_EQ(client().open(path, &error), INVALID_HANDLE_VALUE);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
  OpenDevice device(client(), path);
  EXPECT_TRUE(device.isOpen());
}

TEST_P(Faults, InterfaceVersionCanBeAnyValue) {
  open();
  for (std::uint32_t wanted : {3216u, 3218u, 0u, 0xFFFFFFFFu}) {
    ASSERT_TRUE(devsim::setInterfaceVersion(id_, wanted));
    std::uint32_t value = 1;
    ASSERT_TRUE(version(value).ok);
    EXPECT_EQ(value, wanted);
  }
}

TEST_P(Faults, AStallMovesNothingAndSetsNoEventForItsTime) {
  open();
  startStream();
  stream_->writePlayback(devsimtest::countingBytes(4000));
  ASSERT_TRUE(devsim::stall(id_, 6));
  devsim::advance(6);
  EXPECT_FALSE(stream_->takeEvent());
  EXPECT_EQ(stream_->captureFill(), 0u);
  EXPECT_EQ(stream_->playbackFill(), 4000u);
  devsim::advance(2);
  EXPECT_TRUE(stream_->takeEvent());
  EXPECT_GT(stream_->captureFill(), 0u);
  EXPECT_EQ(devsim::streamInfo(id_)->streamMs, 8u);
  EXPECT_EQ(stream_->block().lostMilliseconds, 0u);
}

TEST_P(Faults, LostMillisecondsAddUpAndSetTheEvent) {
  open();
  EXPECT_FALSE(devsim::addLostMilliseconds(id_, 3)); // no stream
  startStream();
  ASSERT_TRUE(devsim::addLostMilliseconds(id_, 3));
  EXPECT_TRUE(stream_->takeEvent());
  kernel::shared(stream_->block().lostMilliseconds).exchange(0); // the library takes them
  ASSERT_TRUE(devsim::addLostMilliseconds(id_, 7));
  ASSERT_TRUE(devsim::addLostMilliseconds(id_, 1));
  EXPECT_EQ(stream_->block().lostMilliseconds, 8u);
}

TEST_P(Faults, ADropRequestIsClearedOnceTheLibraryCountedItDown) {
  open();
  startStream();
  ASSERT_TRUE(devsim::requestDrop(id_, 1000));
  kernel::StreamBlock& block = stream_->block();
  EXPECT_NE(block.dropFlag, 0);
  EXPECT_EQ(block.dropByteCount, 1000);
  devsim::advance(2);
  EXPECT_NE(block.dropFlag, 0); // bytes still to discard
  kernel::shared(block.dropByteCount).store(232);
  devsim::advance(2);
  EXPECT_NE(block.dropFlag, 0);
  kernel::shared(block.dropByteCount).store(0);
  devsim::advance(2);
  EXPECT_EQ(block.dropFlag, 0);
  ASSERT_TRUE(devsim::requestDrop(id_, 50));
  ASSERT_TRUE(devsim::clearDrop(id_));
  EXPECT_EQ(block.dropFlag, 0);
  EXPECT_EQ(block.dropByteCount, 0);
}

TEST_P(Faults, ADamagedDescriptorImageIsHandedOutAndSurvived) {
  open("multi-config");
  ASSERT_TRUE(devsim::damageDescriptorImage(id_, 255));
  auto image = std::make_unique<kernel::DeviceDescriptorBlock>();
  ASSERT_TRUE(client().send(device_->control, kernel::kRequestDescriptors, *image).ok);
  EXPECT_EQ(image->configurationCount, 255);
  EXPECT_EQ(image->configurations[3].interfaceCount, 255);
  EXPECT_EQ(image->configurations[0].interfaces[9].alternateSettingCount, 255);
  EXPECT_EQ(image->configurations[0].interfaces[1].alternateSettings[19].endpointCount, 255);
  EXPECT_EQ(image->configurations[0].interfaces[1].alternateSettings[1].format.discreteRateCount, 255);
  // The kernel's own format check walks the damaged image within its slots.
  device_->closeStreaming();
  kernel::StreamFormat format{48000, 2, 16, 2, 16, 0};
  EXPECT_TRUE(client().send(device_->control, kernel::kRequestSetFormat, format).ok);
  format.configuration = 200;
  EXPECT_FALSE(client().send(device_->control, kernel::kRequestSetFormat, format).ok);
}

TEST_P(Faults, ADescriptorImageCanBeReplaced) {
  open();
  auto image = std::make_unique<kernel::DeviceDescriptorBlock>();
  std::memset(image.get(), 0, sizeof *image);
  image->idVendor = 0x1234;
  ASSERT_TRUE(devsim::setDescriptorImage(id_, *image));
  auto read = std::make_unique<kernel::DeviceDescriptorBlock>();
  ASSERT_TRUE(client().send(device_->control, kernel::kRequestDescriptors, *read).ok);
  EXPECT_EQ(std::memcmp(read.get(), image.get(), sizeof *image), 0);
}

TEST_P(Faults, FaultsNeedAKnownDevice) {
  EXPECT_FALSE(devsim::failRequests(0x7777, 0, 1));
  EXPECT_FALSE(devsim::stall(0x7777, 1));
  EXPECT_FALSE(devsim::setInterfaceVersion(0x7777, 1));
}

DEVSIM_ON_EVERY_BACKEND(Faults);

} // namespace
