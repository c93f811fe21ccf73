// The Pyxis units: selector 12, mutes 8, 10, 11 and 2, volumes 8 and 2 with their ranges,
// answering the requests of the Pyxis model.
#include "support/class_requests.h"
#include "support/devsim_fixture.h"

#include <memory>

using devsimtest::DevsimTest;
using devsimtest::kToDevice;
using devsimtest::kToHost;
using devsimtest::OpenDevice;
using devsimtest::plugPath;

namespace {

struct UnitCase {
  const char* name;
  std::uint8_t requestType;
  std::uint8_t request;
  std::uint16_t value;
  std::uint8_t unit;
  std::vector<std::uint8_t> data; // sent, or the length of the answer
  bool answered;
  std::vector<std::uint8_t> answer; // for device-to-host requests
  std::uint8_t interfaceNumber = 0;
};

const std::uint8_t kSet = kernel::kUacSetCur;
const std::uint8_t kGet = kernel::kUacGetCur;

// A device fresh from the plug: input 1, nothing muted, input path at 0 dB, output at -12 dB.
const UnitCase kUnitCases[] = {
    {"get selector", kToHost, kGet, 0, 12, {0}, true, {1}},
    {"set selector 3", kToDevice, kSet, 0, 12, {3}, true, {}},
    {"set selector 0", kToDevice, kSet, 0, 12, {0}, false, {}},
    {"set selector 4", kToDevice, kSet, 0, 12, {4}, false, {}},
    {"selector minimum", kToHost, kernel::kUacGetMin, 0, 12, {0}, false, {}},
    {"get mute of input 1", kToHost, kGet, 0x0100, 8, {0}, true, {0}},
    {"set mute of input 3", kToDevice, kSet, 0x0100, 11, {1}, true, {}},
    {"mute with two bytes", kToDevice, kSet, 0x0100, 10, {1, 0}, false, {}},
    {"volume of a mute-only unit", kToHost, kGet, 0x02FF, 10, {0, 0, 0, 0}, false, {}},
    {"get output volume", kToHost, kGet, 0x02FF, 2, {0, 0, 0, 0}, true, {0x00, 0xF4, 0x00, 0xF4}},
    {"get input volume", kToHost, kGet, 0x02FF, 8, {0, 0, 0, 0}, true, {0, 0, 0, 0}},
    {"output minimum", kToHost, kernel::kUacGetMin, 0x02FF, 2, {0, 0, 0, 0}, true, {0x00, 0xC4, 0x00, 0xC4}},
    {"output maximum", kToHost, kernel::kUacGetMax, 0x02FF, 2, {0, 0, 0, 0}, true, {0, 0, 0, 0}},
    {"output resolution", kToHost, kernel::kUacGetRes, 0x02FF, 2, {0, 0, 0, 0}, true, {0x80, 0, 0x80, 0}},
    {"input minimum", kToHost, kernel::kUacGetMin, 0x02FF, 8, {0, 0, 0, 0}, true, {0x00, 0xE8, 0x00, 0xE8}},
    {"input maximum", kToHost, kernel::kUacGetMax, 0x02FF, 8, {0, 0, 0, 0}, true, {0x00, 0x0C, 0x00, 0x0C}},
    {"one channel", kToHost, kGet, 0x0202, 2, {0, 0}, true, {0x00, 0xF4}},
    {"all channels with two bytes", kToHost, kGet, 0x02FF, 2, {0, 0}, false, {}},
    {"channel three", kToHost, kGet, 0x0203, 2, {0, 0}, false, {}},
    {"no such unit", kToHost, kGet, 0x0100, 9, {0}, false, {}},
    {"another interface", kToHost, kGet, 0x0100, 8, {0}, false, {}, 1},
    {"recipient endpoint",
     kernel::kUsbDirectionIn | kernel::kUsbTypeClass | 2,
     kGet,
     0x0100,
     8,
     {0},
     false,
     {}},
    {"standard request",
     kernel::kUsbDirectionIn | kernel::kUsbRecipientInterface,
     kGet,
     0x0100,
     8,
     {0},
     false,
     {}},
    {"get with host-to-device", kToDevice, kGet, 0x0100, 8, {0}, false, {}},
};

using PyxisUnits = devsimtest::DevsimCaseTest<UnitCase>;

TEST_P(PyxisUnits, AnswerOrStall) {
  const auto& c = testCase();
  const devsim::DeviceId id = devsim::plug("pyxis-1");
  const OpenDevice device(client(), devsim::device(id)->devicePath);
  const auto index = static_cast<std::uint16_t>(c.unit << 8 | c.interfaceNumber);
  const auto result =
      devsimtest::classRequest(client(), device.control, c.requestType, c.request, c.value, index, c.data);
  EXPECT_EQ(result.reply.ok, c.answered);
  if (!c.answered) {
    EXPECT_EQ(result.reply.error, static_cast<DWORD>(ERROR_GEN_FAILURE));
  } else if (c.requestType & kernel::kUsbDirectionIn) {
    EXPECT_EQ(result.data, c.answer);
    EXPECT_EQ(result.reply.returned, 8 + c.answer.size());
  }
  const auto log = devsim::classRequests(id);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].answered, c.answered);
  EXPECT_EQ(log[0].setup.index, index);
}

DEVSIM_CASES_ON_EVERY_BACKEND(PyxisUnits, kUnitCases);

class PyxisController : public DevsimTest {
protected:
  void SetUp() override {
    DevsimTest::SetUp();
    device_ = std::make_unique<OpenDevice>(client(), plugPath("pyxis-2", &id_));
  }
  void TearDown() override {
    device_.reset();
    DevsimTest::TearDown();
  }
  bool set(std::uint8_t unit, std::uint16_t value, std::vector<std::uint8_t> data) {
    return devsimtest::classRequest(client(), device_->control, kToDevice, kSet, value,
                                    static_cast<std::uint16_t>(unit << 8), std::move(data))
        .reply.ok;
  }
  std::vector<std::uint8_t> get(std::uint8_t request, std::uint8_t unit, std::uint16_t value,
                                std::size_t length) {
    return devsimtest::classRequest(client(), device_->control, kToHost, request, value,
                                    static_cast<std::uint16_t>(unit << 8), std::vector<std::uint8_t>(length))
        .data;
  }
  devsim::PyxisState state() const { return *devsim::pyxisState(id_); }

  devsim::DeviceId id_ = 0;
  std::unique_ptr<OpenDevice> device_;
};

TEST_P(PyxisController, SetsAreReadBack) {
  ASSERT_TRUE(set(12, 0, {2}));
  EXPECT_EQ(get(kGet, 12, 0, 1), std::vector<std::uint8_t>{2});
  ASSERT_TRUE(set(10, 0x0100, {1})); // input 2's mute
  EXPECT_EQ(get(kGet, 10, 0x0100, 1), std::vector<std::uint8_t>{1});
  EXPECT_EQ(get(kGet, 8, 0x0100, 1), std::vector<std::uint8_t>{0});
  // The output left channel to -10 dB with the right word as it was.
  ASSERT_TRUE(set(2, 0x02FF, {0x00, 0xF6, 0x00, 0xF4}));
  EXPECT_EQ(get(kGet, 2, 0x02FF, 4), (std::vector<std::uint8_t>{0x00, 0xF6, 0x00, 0xF4}));
  const auto pyxis = state();
  EXPECT_EQ(pyxis.selector, 2);
  EXPECT_EQ(pyxis.inputMutes, (std::array<bool, 3>{false, true, false}));
  EXPECT_EQ(pyxis.outputVolume, (std::array<std::int16_t, 2>{-0x0A00, -0x0C00}));
}

TEST_P(PyxisController, VolumesAreClampedToTheirRange) {
  ASSERT_TRUE(set(8, 0x02FF, {0x00, 0x7F, 0x00, 0x80})); // +127 dB and -128 dB
  EXPECT_EQ(state().inputVolume, (std::array<std::int16_t, 2>{0x0C00, -0x1800}));
  ASSERT_TRUE(set(2, 0x0201, {0x00, 0x01})); // one channel, above the maximum
  EXPECT_EQ(state().outputVolume, (std::array<std::int16_t, 2>{0, -0x0C00}));
}

TEST_P(PyxisController, AStalledSetChangesNothing) {
  EXPECT_FALSE(set(12, 0, {9}));
  EXPECT_EQ(state().selector, 1);
  EXPECT_FALSE(set(2, 0x02FF, {0, 0})); // too short for both channels
  EXPECT_EQ(state().outputVolume, (std::array<std::int16_t, 2>{-0x0C00, -0x0C00}));
}

DEVSIM_ON_EVERY_BACKEND(PyxisController);

} // namespace
