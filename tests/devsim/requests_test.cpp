// Each request's answer, size and handle rule.
#include "support/devsim_fixture.h"

#include <cstring>
#include <vector>

using devsimtest::DevsimTest;
using devsimtest::OpenDevice;
using devsimtest::plugPath;
using devsimtest::Reply;

namespace {

struct SizeCase {
  const char* name;
  const char* profile;
  bool streamingHandle;
  std::uint32_t code;
  DWORD outSize;
  bool ok;
  DWORD error;    // when not ok
  DWORD returned; // when ok
};

// Every request with the size the library passes, one byte short, and on the wrong handle.
const SizeCase kSizeCases[] = {
    {"manufacturer", "generic", false, kernel::kRequestManufacturerName, 255, true, 0, 7},
    {"product", "generic", false, kernel::kRequestProductName, 255, true, 0, 19},
    {"product on streaming handle", "generic", true, kernel::kRequestProductName, 255, false,
     ERROR_INVALID_FUNCTION, 0},
    {"product without buffer", "generic", false, kernel::kRequestProductName, 0, false,
     ERROR_INSUFFICIENT_BUFFER, 0},
    {"descriptors", "generic", false, kernel::kRequestDescriptors, 131384, true, 0, 131384},
    {"descriptors short", "generic", false, kernel::kRequestDescriptors, 131383, false,
     ERROR_INSUFFICIENT_BUFFER, 0},
    {"format", "generic", false, kernel::kRequestGetFormat, 28, true, 0, 28},
    {"format short", "generic", false, kernel::kRequestGetFormat, 27, false, ERROR_INSUFFICIENT_BUFFER, 0},
    {"format on streaming handle", "generic", true, kernel::kRequestGetFormat, 28, false,
     ERROR_INVALID_FUNCTION, 0},
    {"transfer length short", "generic", false, kernel::kRequestSetTransferLength, 3, false,
     ERROR_INSUFFICIENT_BUFFER, 0},
    {"set format short", "generic", false, kernel::kRequestSetFormat, 23, false, ERROR_INSUFFICIENT_BUFFER,
     0},
    {"version", "generic", false, kernel::kRequestInterfaceVersion, 4, true, 0, 4},
    {"version short", "generic", false, kernel::kRequestInterfaceVersion, 3, false, ERROR_INSUFFICIENT_BUFFER,
     0},
    {"clock source", "generic", false, kernel::kRequestGetClockSource, 4, true, 0, 4},
    {"clock source short", "generic", false, kernel::kRequestGetClockSource, 2, false,
     ERROR_INSUFFICIENT_BUFFER, 0},
    {"set clock source short", "generic", false, kernel::kRequestSetClockSource, 0, false,
     ERROR_INSUFFICIENT_BUFFER, 0},
    {"stream on control handle", "generic", false, kernel::kRequestStream, 16, false, ERROR_INVALID_FUNCTION,
     0},
    {"stream short", "generic", true, kernel::kRequestStream, 7, false, ERROR_INSUFFICIENT_BUFFER, 0},
    {"mme flag", "generic", true, kernel::kRequestMmeMode, 1, true, 0, 0},
    {"mme flag without buffer", "generic", true, kernel::kRequestMmeMode, 0, false, ERROR_INSUFFICIENT_BUFFER,
     0},
    {"mme flag on control handle", "generic", false, kernel::kRequestMmeMode, 1, false,
     ERROR_INVALID_FUNCTION, 0},
    {"mixer read", "mixer", true, kernel::kRequestReadMixerState, 3540, true, 0, 3540},
    {"mixer read short", "mixer", true, kernel::kRequestReadMixerState, 3539, false,
     ERROR_INSUFFICIENT_BUFFER, 0},
    {"mixer read on control handle", "mixer", false, kernel::kRequestReadMixerState, 3540, false,
     ERROR_INVALID_FUNCTION, 0},
    {"mixer read without mixer", "generic", true, kernel::kRequestReadMixerState, 3540, false,
     ERROR_INVALID_FUNCTION, 0},
    {"mixer write short", "mixer", true, kernel::kRequestWriteMixerState, 3539, false,
     ERROR_INSUFFICIENT_BUFFER, 0},
    {"mixer write without mixer", "generic", true, kernel::kRequestWriteMixerState, 3540, false,
     ERROR_INVALID_FUNCTION, 0},
    {"unknown function", "generic", false, 0x220010, 64, false, ERROR_INVALID_FUNCTION, 0},
    {"unknown function past the table", "generic", true, 0x22006C, 64, false, ERROR_INVALID_FUNCTION, 0},
    {"other device type", "generic", false, 0x2D0000, 64, false, ERROR_INVALID_FUNCTION, 0},
};

using RequestSizes = devsimtest::DevsimCaseTest<SizeCase>;

TEST_P(RequestSizes, AnswersAsTheInterfaceDefines) {
  const auto& c = testCase();
  const devsim::DeviceId id = devsim::plug(c.profile);
  OpenDevice device(client(), devsim::device(id)->devicePath);
  ASSERT_TRUE(device.isOpen());
  // A mixer write carries the state the device holds.
  std::vector<std::uint8_t> buffer(c.outSize + 1, 0);
  if (c.code == kernel::kRequestWriteMixerState) {
    const auto state = devsim::mixerState(id);
    if (state) {
      std::memcpy(buffer.data(), &*state, std::min<std::size_t>(c.outSize, sizeof *state));
    }
  }
  const Reply reply = client().request(c.streamingHandle ? device.streaming : device.control, c.code, nullptr,
                                       0, c.outSize ? buffer.data() : nullptr, c.outSize);
  EXPECT_EQ(reply.ok, c.ok);
  if (c.ok) {
    EXPECT_EQ(reply.returned, c.returned);
  } else {
    EXPECT_EQ(reply.error, c.error);
  }
}

DEVSIM_CASES_ON_EVERY_BACKEND(RequestSizes, kSizeCases);

class Requests : public DevsimTest {};

TEST_P(Requests, NamesAreZeroTerminatedAndCutWithMoreData) {
  const OpenDevice device(client(), plugPath("generic"));
  char name[256] = {};
  Reply reply = client().request(device.control, kernel::kRequestManufacturerName, nullptr, 0, name, 255);
  ASSERT_TRUE(reply.ok);
  EXPECT_STREQ(name, "Devsim");
  reply = client().request(device.control, kernel::kRequestProductName, nullptr, 0, name, 255);
  ASSERT_TRUE(reply.ok);
  EXPECT_STREQ(name, "Devsim Generic 2x2");
  std::memset(name, 'x', sizeof name);
  reply = client().request(device.control, kernel::kRequestProductName, nullptr, 0, name, 7);
  EXPECT_FALSE(reply.ok);
  EXPECT_EQ(reply.error, static_cast<DWORD>(ERROR_MORE_DATA));
  EXPECT_EQ(reply.returned, 7u);
  EXPECT_STREQ(name, "Devsim");
  EXPECT_EQ(name[7], 'x'); // nothing past the buffer
}

TEST_P(Requests, DescriptorImageDescribesTheProfile) {
  const OpenDevice device(client(), plugPath("generic"));
  auto image = std::make_unique<kernel::DeviceDescriptorBlock>();
  ASSERT_TRUE(client().send(device.control, kernel::kRequestDescriptors, *image).ok);
  EXPECT_EQ(image->idVendor, 0x4E11);
  EXPECT_EQ(image->idProduct, 0x0001);
  ASSERT_EQ(image->configurationCount, 1);
  const kernel::ConfigurationSlot& configuration = image->configurations[0];
  ASSERT_EQ(configuration.interfaceCount, 3); // control, playback, capture
  const kernel::InterfaceSlot& playback = configuration.interfaces[1];
  ASSERT_EQ(playback.alternateSettingCount, 3); // zero bandwidth, 16 and 24 bits
  EXPECT_EQ(playback.alternateSettings[0].endpointCount, 0);
  const kernel::AlternateSettingSlot& bits24 = playback.alternateSettings[2];
  EXPECT_EQ(bits24.format.bitResolution, 24);
  EXPECT_EQ(bits24.format.channels, 2);
  EXPECT_EQ(bits24.format.continuous, 0);
  ASSERT_EQ(bits24.format.discreteRateCount, 4);
  EXPECT_EQ(bits24.format.discreteRates[0], 44100u);
  EXPECT_EQ(bits24.format.discreteRates[3], 96000u);
  ASSERT_EQ(bits24.endpointCount, 1);
  EXPECT_EQ(bits24.endpoints[0].address & kernel::kEndpointDirectionIn, 0);
  EXPECT_EQ(bits24.endpoints[0].maxPacketSize, 97 * 2 * 3); // 96 frames a millisecond at 96 kHz, plus one
  const kernel::InterfaceSlot& capture = configuration.interfaces[2];
  EXPECT_NE(capture.alternateSettings[1].endpoints[0].address & kernel::kEndpointDirectionIn, 0);
}

TEST_P(Requests, SeveralConfigurationsAndAContinuousRange) {
  const OpenDevice device(client(), plugPath("multi-config"));
  auto image = std::make_unique<kernel::DeviceDescriptorBlock>();
  ASSERT_TRUE(client().send(device.control, kernel::kRequestDescriptors, *image).ok);
  ASSERT_EQ(image->configurationCount, 3);
  EXPECT_EQ(image->configurations[1].interfaces[1].alternateSettings[1].format.channels, 8);
  const kernel::FormatSlot& continuous = image->configurations[2].interfaces[1].alternateSettings[1].format;
  EXPECT_EQ(continuous.continuous, 1);
  EXPECT_EQ(continuous.minRate, 8000u);
  EXPECT_EQ(continuous.maxRate, 96000u);
  EXPECT_EQ(continuous.discreteRateCount, 0);
}

TEST_P(Requests, FormatReportAndVersion) {
  const OpenDevice device(client(), plugPath("eight-channel"));
  kernel::FormatReport report{};
  ASSERT_TRUE(client().send(device.control, kernel::kRequestGetFormat, report).ok);
  EXPECT_EQ(report.transferMs, 2u);
  EXPECT_EQ(report.format, (kernel::StreamFormat{44100, 8, 16, 8, 16, 0}));
  std::uint32_t version = 0;
  ASSERT_TRUE(client().send(device.control, kernel::kRequestInterfaceVersion, version).ok);
  EXPECT_EQ(version, 3217u);
}

TEST_P(Requests, ClassRequestsCheckTheirPacketAndData) {
  const OpenDevice device(client(), plugPath("pyxis-1"));
  // GET_CUR of input 1's mute, 1 data byte.
  std::uint8_t get[9] = {0xA1, kernel::kUacGetCur, 0x00, 0x01, 0x00, 0x08, 0x01, 0x00, 0x55};
  Reply reply = client().request(device.control, kernel::kRequestClass, get, 9, get, 8);
  EXPECT_FALSE(reply.ok); // no room for the answer
  EXPECT_EQ(reply.error, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  reply = client().request(device.control, kernel::kRequestClass, get, 9, get, 9);
  ASSERT_TRUE(reply.ok);
  EXPECT_EQ(reply.returned, 9u);
  EXPECT_EQ(get[0], 0xA1); // the packet comes back before the answer
  EXPECT_EQ(get[8], 0);
  // SET_CUR of the same mute needs its byte in the input.
  std::uint8_t set[9] = {0x21, kernel::kUacSetCur, 0x00, 0x01, 0x00, 0x08, 0x01, 0x00, 0x01};
  reply = client().request(device.control, kernel::kRequestClass, set, 8, set, 9);
  EXPECT_FALSE(reply.ok);
  EXPECT_EQ(reply.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  reply = client().request(device.control, kernel::kRequestClass, set, 9, set, 9);
  EXPECT_TRUE(reply.ok);
  EXPECT_EQ(reply.returned, 0u);
  EXPECT_TRUE(devsim::pyxisState(devsim::devices()[0].id)->inputMutes[0]);
  reply = client().request(device.control, kernel::kRequestClass, set, 7, set, 9);
  EXPECT_FALSE(reply.ok); // not even a packet
  EXPECT_EQ(reply.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_P(Requests, ADeviceWithoutControllerStallsClassRequests) {
  const OpenDevice device(client(), plugPath("generic"));
  std::uint8_t get[9] = {0xA1, kernel::kUacGetCur, 0x00, 0x01, 0x00, 0x08, 0x01, 0x00, 0x00};
  const Reply reply = client().request(device.control, kernel::kRequestClass, get, 9, get, 9);
  EXPECT_FALSE(reply.ok);
  EXPECT_EQ(reply.error, static_cast<DWORD>(ERROR_GEN_FAILURE));
}

DEVSIM_ON_EVERY_BACKEND(Requests);

} // namespace
