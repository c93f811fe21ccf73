#include <driver/device/kernel_audio_device.h>
#include <driver/host/driver_identity.h>
#include <driver/host/registry_key.h>
#include <driver/stream/channel_buffer.h>
#include <winapi/include/emu/user32_control.h>

#include "simulated_devices.h"

#include <memory>

namespace {

class KernelDevice : public kxtest::SimulatedDevices {
protected:
  std::unique_ptr<KernelAudioDevice> open(devsim::DeviceId id) {
    auto device = std::make_unique<KernelAudioDevice>(KxString(pathOf(id).c_str()), id);
    EXPECT_TRUE(device->initialise(settings_));
    return device;
  }
  KxRegistryKey settings_{KxString(kSettingsPath)};
};

TEST_F(KernelDevice, InitialiseReadsNamesAndDescriptors) {
  const devsim::DeviceId id = plug("generic");
  const auto device = open(id);
  EXPECT_TRUE(device->isOpen());
  EXPECT_STREQ(device->manufacturerName().text(), "Devsim");
  EXPECT_STREQ(device->productName().text(), "Devsim Generic 2x2");
  EXPECT_NE(device->descriptors().idVendor, 0);
  EXPECT_GT(device->descriptors().configurationCount, 0);
  EXPECT_EQ(device->instanceId(), id);
}

TEST_F(KernelDevice, ProductNameOverride) {
  const auto device = open(plug("renamed-1"));
  EXPECT_STREQ(device->productName().text(), "Corvanta Nano");
}

TEST_F(KernelDevice, InterfaceVersionMessages) {
  struct Case {
    std::uint32_t version;
    bool failRequest;
    const char* text;
  };
  const Case cases[] = {
      {3216, false, "There is a old USB driver installed. Please install the corresponding new USB driver."},
      {3218, false,
       "There is a newer USB driver installed. Please install the corresponding new ASIO driver."},
      {3217, true, "There is a old USB driver installed. Please install the corresponding new USB driver."},
  };
  for (const auto& c : cases) {
    kxemu::resetMessageBoxes();
    const devsim::DeviceId id = plug("generic");
    if (c.failRequest) {
      devsim::failRequests(id, kernel::kRequestInterfaceVersion, 1);
    } else {
      devsim::setInterfaceVersion(id, c.version);
    }
    KernelAudioDevice device(KxString(pathOf(id).c_str()), id);
    EXPECT_TRUE(device.initialise(settings_)) << "listed, but closed";
    EXPECT_FALSE(device.isOpen());
    const auto boxes = kxemu::messageBoxRecords();
    ASSERT_EQ(boxes.size(), 1u) << c.version;
    EXPECT_EQ(boxes[0].text, c.text);
    EXPECT_EQ(boxes[0].caption, "Error");
    kernel::FormatReport report{};
    EXPECT_FALSE(device.getFormat(report)) << "requests on a closed device fail";
    EXPECT_EQ(device.getClockSource(), 0u);
  }
}

TEST_F(KernelDevice, OpenFailureFailsInitialise) {
  const devsim::DeviceId id = plug("generic");
  devsim::failOpens(id, 2);
  KernelAudioDevice device(KxString(pathOf(id).c_str()), id);
  EXPECT_FALSE(device.initialise(settings_));
}

TEST_F(KernelDevice, SetFormatWithTheStoredFormatSendsNothing) {
  const devsim::DeviceId id = plug("generic");
  const auto device = open(id);
  device->setupConverters(256);
  const kernel::StreamFormat stored = device->format();
  ASSERT_NE(stored.rate, 0u);
  devsim::failRequests(id, kernel::kRequestSetFormat, 1);
  EXPECT_TRUE(device->setFormat(stored));
  kernel::StreamFormat other = stored;
  other.rate = stored.rate == 44100 ? 48000 : 44100;
  EXPECT_FALSE(device->setFormat(other)) << "the injected failure was still pending";
  EXPECT_TRUE(device->setFormat(other));
  EXPECT_TRUE(device->isOpen()) << "the streaming handle came back";
  kernel::FormatReport report{};
  ASSERT_TRUE(device->getFormat(report));
  EXPECT_EQ(report.format.rate, other.rate);
  EXPECT_EQ(device->format().rate, other.rate) << "the converters were set up again";
}

TEST_F(KernelDevice, CloseKeepingTheControlHandle) {
  const auto device = open(plug("generic"));
  device->close(true);
  EXPECT_FALSE(device->isOpen());
  EXPECT_NE(device->controlHandle(), INVALID_HANDLE_VALUE);
  device->close(false);
  EXPECT_EQ(device->controlHandle(), INVALID_HANDLE_VALUE);
  EXPECT_TRUE(device->open());
}

TEST_F(KernelDevice, CanSampleRateOnlyForStandardRatesTheDeviceLists) {
  const auto device = open(plug("generic"));
  EXPECT_TRUE(device->canSampleRate(44100));
  EXPECT_TRUE(device->canSampleRate(48000));
  EXPECT_FALSE(device->canSampleRate(22050));
  EXPECT_FALSE(device->canSampleRate(12345));
  const auto outputs = open(plug("outputs-only"));
  EXPECT_TRUE(outputs->canSampleRate(44100)) << "tested against the output formats";
}

// The drop request: an output block of 768 bytes (128 frames of 2 channels of 24 bits).
TEST_F(KernelDevice, DropFlagCountsDownOverOutputBlocks) {
  const devsim::DeviceId id = plug("generic");
  const auto device = open(id);
  kernel::FormatReport report{};
  ASSERT_TRUE(device->getFormat(report));
  kernel::StreamFormat format = report.format;
  format.inputBits = 24;
  format.outputBits = 24;
  ASSERT_TRUE(device->setFormat(format));
  device->setupConverters(128);
  ASSERT_TRUE(device->setStreaming(true, 1000, 128));
  ChannelBuffer halves[8];
  for (int c = 0; c < 2; ++c) {
    halves[c].allocate(24, 128);
  }
  ASSERT_TRUE(devsim::requestDrop(id, 1000));
  StreamStatus status;
  device->readStatus(status);
  const std::int32_t credit = status.outputCredit;
  device->transferOutput(halves, 2, false);
  device->readStatus(status);
  EXPECT_EQ(status.playbackFill, 0) << "all 768 bytes dropped";
  EXPECT_EQ(status.outputCredit, credit - 768) << "the credit counts dropped bytes too";
  device->transferOutput(halves, 2, false);
  device->readStatus(status);
  EXPECT_EQ(status.playbackFill, 536);
  EXPECT_TRUE(device->setStreaming(false, 0, 0));
}

TEST_F(KernelDevice, MixerStateAndInputMonitor) {
  const devsim::DeviceId id = plug("mixer");
  const auto device = open(id);
  kernel::MixerState state{};
  EXPECT_TRUE(device->readMixerState(state));
  const bool available = device->inputMonitorAvailable();
  EXPECT_EQ(available, state.inputMonitorPresent != 0 && state.inputMonitorByHost != 0);
  if (available) {
    EXPECT_TRUE(device->setInputMonitor(true));
    EXPECT_EQ(devsim::mixerState(id)->inputMonitorOn, 1);
  }
  const auto plain = open(plug("generic"));
  EXPECT_FALSE(plain->readMixerState(state));
  EXPECT_FALSE(plain->inputMonitorAvailable());
}

} // namespace
