// How a Pyxis model starts: a complete stored state goes to the device; an empty or partial
// key lets the device's own state win; the ranges are read either way.
#include "pyxis_fixture.h"

#include <array>
#include <iterator>
#include <string>

namespace {

using kxtest::kGet;
using kxtest::kInput1Unit;
using kxtest::kInput2Unit;
using kxtest::kInput3Unit;
using kxtest::kMute;
using kxtest::kOutputUnit;
using kxtest::kPyxisKey;
using kxtest::kPyxisValueNames;
using kxtest::kSelector;
using kxtest::kSelectorUnit;
using kxtest::kSet;
using kxtest::kVolume;
using kxtest::Request;

class PyxisConstructionTest : public kxtest::PyxisFixture {
protected:
  // The device's own state differs from the model's initial values: input 3, input 2 muted.
  void changeDeviceState() {
    setOnDevice(kSelector, kSelectorUnit, {3});
    setOnDevice(kMute, kInput2Unit, {1});
  }
};

// The six range requests after the state, the answers of the device's ranges: input
// -24..+12 dB in 1 dB steps, output -60..0 dB in 0.5 dB steps.
const std::vector<Request> kRangeRequests = {
    {kGet, 0x82, kVolume, kInput1Unit, {0x00, 0xE8, 0x00, 0xE8}},
    {kGet, 0x83, kVolume, kInput1Unit, {0x00, 0x0C, 0x00, 0x0C}},
    {kGet, 0x84, kVolume, kInput1Unit, {0x00, 0x01, 0x00, 0x01}},
    {kGet, 0x82, kVolume, kOutputUnit, {0x00, 0xC4, 0x00, 0xC4}},
    {kGet, 0x83, kVolume, kOutputUnit, {0x00, 0x00, 0x00, 0x00}},
    {kGet, 0x84, kVolume, kOutputUnit, {0x80, 0x00, 0x80, 0x00}},
};

std::vector<Request> withRanges(std::vector<Request> state) {
  state.insert(state.end(), kRangeRequests.begin(), kRangeRequests.end());
  return state;
}

TEST_F(PyxisConstructionTest, EmptyKeyAdoptsTheDeviceStateThenReadsTheRanges) {
  changeDeviceState();
  ASSERT_TRUE(KxRegistryKey::ensureKey((std::string(kSettingsPath) + "\\" + kPyxisKey).c_str()));
  const auto& model = makeModel();
  const std::vector<Request> expected = withRanges({
      {kGet, 0x81, kSelector, kSelectorUnit, {3}},
      {kGet, 0x81, kMute, kInput1Unit, {0}},
      {kGet, 0x81, kMute, kInput2Unit, {1}},
      {kGet, 0x81, kMute, kInput3Unit, {0}},
      {kGet, 0x81, kMute, kOutputUnit, {0}},
      {kGet, 0x81, kVolume, kInput1Unit, {0x00, 0x00, 0x00, 0x00}},
      {kGet, 0x81, kVolume, kOutputUnit, {0x00, 0xF4, 0x00, 0xF4}},
  });
  EXPECT_EQ(requests(), expected);
  EXPECT_EQ(model.currentInput(), 3);
  EXPECT_FALSE(model.inputMuted()) << "input 3 is not muted";
  EXPECT_FALSE(model.outputMuted());
  EXPECT_EQ(model.volume(PyxisPath::Output, PyxisSide::Left), 0xF400u) << "read words have no upper bits";
  EXPECT_EQ(model.volume(PyxisPath::Output, PyxisSide::Right), 0xF400u);
  EXPECT_EQ(model.volumeMin(PyxisPath::Input, PyxisSide::Left), -0x1800);
  EXPECT_EQ(model.volumeMax(PyxisPath::Input, PyxisSide::Right), 0x0C00);
  EXPECT_EQ(model.volumeMin(PyxisPath::Output, PyxisSide::Right), -0x3C00);
  EXPECT_EQ(model.volumeMax(PyxisPath::Output, PyxisSide::Left), 0);
  EXPECT_TRUE(model.gang());
}

TEST_F(PyxisConstructionTest, CompleteKeyIsWrittenToTheDevice) {
  const std::uint32_t stored[] = {2,          0x0300,     0xFFFFFD00, 0, 1, 0, // selector, input, mutes
                                  0x0000F600, 0xFFFFF800, 1,          0};      // output, its mute, gang
  for (std::size_t i = 0; i < std::size(stored); ++i) {
    storeValue(kPyxisKey, kPyxisValueNames[i], stored[i]);
  }
  const auto& model = makeModel();
  const std::vector<Request> expected = withRanges({
      {kSet, 0x01, kSelector, kSelectorUnit, {2}},
      {kSet, 0x01, kMute, kInput1Unit, {0}},
      {kSet, 0x01, kMute, kInput2Unit, {1}},
      {kSet, 0x01, kMute, kInput3Unit, {0}},
      {kSet, 0x01, kMute, kOutputUnit, {1}},
      {kSet, 0x01, kVolume, kInput1Unit, {0x00, 0x03, 0x00, 0xFD}},
      {kSet, 0x01, kVolume, kOutputUnit, {0x00, 0xF6, 0x00, 0xF8}},
  });
  EXPECT_EQ(requests(), expected);
  const auto device = pyxis();
  EXPECT_EQ(device.selector, 2);
  EXPECT_EQ(device.inputMutes, (std::array<bool, 3>{false, true, false}));
  EXPECT_TRUE(device.outputMute);
  EXPECT_EQ(device.inputVolume, (std::array<std::int16_t, 2>{0x0300, -0x0300}));
  EXPECT_EQ(device.outputVolume, (std::array<std::int16_t, 2>{-0x0A00, -0x0800}));
  EXPECT_EQ(model.volume(PyxisPath::Input, PyxisSide::Right), 0xFFFFFD00u) << "kept as stored";
  EXPECT_TRUE(model.inputMuted());
  EXPECT_FALSE(model.gang());
}

// A partial key counts as none: nothing is set, and the device's state replaces what was read.
TEST_F(PyxisConstructionTest, PartialKeyIsReplacedByTheDeviceState) {
  struct Case {
    const char* name;
    std::size_t values; // how many of the ten, in order, are stored
    std::uint32_t selector;
    std::int32_t selectorAfterLoad;
  };
  const Case cases[] = {
      {"InputSelector 7 alone", 1, 7, 1},
      {"selector and input left", 2, 2, 2},
      {"all but GangMode", 9, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    changeDeviceState();
    for (std::size_t i = 0; i < c.values; ++i) {
      storeValue(kPyxisKey, kPyxisValueNames[i], i == 0 ? c.selector : 0x0100);
    }
    auto& model = makeModel();
    for (const Request& r : requests()) {
      EXPECT_EQ(std::get<0>(r), kGet) << "nothing is set";
    }
    EXPECT_EQ(model.currentInput(), 3);
    EXPECT_FALSE(model.inputMuted());
    model.selectInput(2);
    EXPECT_TRUE(model.inputMuted()) << "input 2's mute came from the device";
    EXPECT_EQ(model.volume(PyxisPath::Input, PyxisSide::Left), 0u) << "not the stored 0x0100";
    EXPECT_TRUE(model.gang());
    EXPECT_FALSE(model.loadSettings()) << "the key is still partial";
    EXPECT_EQ(model.currentInput(), c.selectorAfterLoad);
    model_.reset(); // saves a complete key: the next case starts afresh
    forgetKey(kPyxisKey);
  }
}

// Values before the first missing one keep their loaded contents, the rest stay as they were.
TEST_F(PyxisConstructionTest, LoadStopsAtTheFirstMissingValue) {
  auto& model = makeModel();
  storeValue(kPyxisKey, "InputSelector", 2);
  storeValue(kPyxisKey, "VolInL", 0x0200);
  storeValue(kPyxisKey, "MuteIn_1", 1); // after the missing VolInR: not read
  storeValue(kPyxisKey, "GangMode", 0);
  EXPECT_FALSE(model.loadSettings());
  EXPECT_EQ(model.currentInput(), 2);
  EXPECT_EQ(model.volume(PyxisPath::Input, PyxisSide::Left), 0x0200u);
  model.selectInput(1);
  EXPECT_FALSE(model.inputMuted());
  EXPECT_TRUE(model.gang());
}

TEST_F(PyxisConstructionTest, DestructionSavesEveryValueAsItIs) {
  auto& model = makeModel();
  model.setVolume(PyxisPath::Input, PyxisSide::Right, 0xFFFFFB00);
  model.setGang(false);
  model.selectInput(3);
  model.setInputMute(true);
  model_.reset();
  const long long expected[] = {3, 0, 0xFFFFFB00, 0, 0, 1, 0xF400, 0xF400, 0, 0};
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(storedValue(kPyxisKey, kPyxisValueNames[i]), expected[i]) << kPyxisValueNames[i];
  }
}

} // namespace
