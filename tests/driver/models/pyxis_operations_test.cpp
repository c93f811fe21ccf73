// The Pyxis page's operations: what each sends, what it leaves alone, and how a refused set
// is answered by reading the device back.
#include "pyxis_fixture.h"

#include <functional>

namespace {

using kxtest::kGet;
using kxtest::kInput1Unit;
using kxtest::kInput2Unit;
using kxtest::kMute;
using kxtest::kOutputUnit;
using kxtest::kSelector;
using kxtest::kSelectorUnit;
using kxtest::kSet;
using kxtest::kVolume;
using kxtest::Request;

// A model that adopted the device's initial state (input 1, nothing muted, input 0 dB,
// output -12 dB) and forgot the requests of its start.
class PyxisOperationsTest : public kxtest::PyxisFixture {
protected:
  void SetUp() override {
    PyxisFixture::SetUp();
    makeModel();
    forgetRequests();
  }
  PyxisControlModel& model() { return *model_; }
};

TEST_F(PyxisOperationsTest, InputMuteChangesOnlyTheSelectedInput) {
  model().selectInput(2);
  EXPECT_EQ(requests(), (std::vector<Request>{{kSet, 0x01, kSelector, kSelectorUnit, {2}}}));
  model().setInputMute(true);
  EXPECT_EQ(requests(), (std::vector<Request>{{kSet, 0x01, kMute, kInput2Unit, {1}}}));
  EXPECT_TRUE(model().inputMuted());
  EXPECT_EQ(pyxis().inputMutes, (std::array<bool, 3>{false, true, false}));
  model().setInputMute(true);
  EXPECT_TRUE(requests().empty()) << "an identical second call sends nothing";
  for (const std::int32_t other : {1, 3}) {
    model().selectInput(other);
    EXPECT_FALSE(model().inputMuted()) << other;
  }
  EXPECT_FALSE(model().outputMuted());
}

TEST_F(PyxisOperationsTest, OutputMuteGoesToUnitTwo) {
  model().setOutputMute(true);
  EXPECT_EQ(requests(), (std::vector<Request>{{kSet, 0x01, kMute, kOutputUnit, {1}}}));
  EXPECT_TRUE(model().outputMuted());
  EXPECT_TRUE(pyxis().outputMute);
  model().setOutputMute(false);
  EXPECT_EQ(requests(), (std::vector<Request>{{kSet, 0x01, kMute, kOutputUnit, {0}}}));
  EXPECT_FALSE(pyxis().outputMute);
}

// The page hands a negative word sign-extended; either form sends the same low 16 bits, with
// the path's other channel beside it, and is stored as given.
TEST_F(PyxisOperationsTest, OutputLeftVolumeSendsBothWordsOfTheOutput) {
  for (const std::uint32_t value : {0x0000F600u, 0xFFFFF600u}) {
    SCOPED_TRACE(value);
    model().setVolume(PyxisPath::Output, PyxisSide::Left, value);
    EXPECT_EQ(requests(),
              (std::vector<Request>{{kSet, 0x01, kVolume, kOutputUnit, {0x00, 0xF6, 0x00, 0xF4}}}));
    EXPECT_EQ(model().volume(PyxisPath::Output, PyxisSide::Left), value);
    EXPECT_EQ(pyxis().outputVolume, (std::array<std::int16_t, 2>{-0x0A00, -0x0C00}));
  }
  model().setVolume(PyxisPath::Input, PyxisSide::Right, 0x0400);
  EXPECT_EQ(requests(), (std::vector<Request>{{kSet, 0x01, kVolume, kInput1Unit, {0x00, 0x00, 0x00, 0x04}}}));
}

TEST_F(PyxisOperationsTest, UnchangedValuesAndUnknownInputsSendNothing) {
  const std::function<void(PyxisControlModel&)> actions[] = {
      [](PyxisControlModel& m) { m.selectInput(1); }, // the current input
      [](PyxisControlModel& m) { m.selectInput(0); },
      [](PyxisControlModel& m) { m.selectInput(4); },
      [](PyxisControlModel& m) { m.setInputMute(false); },
      [](PyxisControlModel& m) { m.setOutputMute(false); },
      [](PyxisControlModel& m) { m.setGang(false); },
      [](PyxisControlModel& m) { m.setGang(true); },
  };
  for (const auto& action : actions) {
    action(model());
    EXPECT_TRUE(requests().empty());
  }
  EXPECT_EQ(model().currentInput(), 1);
}

// The set fails once (or, with its read-back, twice); failed attempts never reach the device.
TEST_F(PyxisOperationsTest, RefusedSetIsAnsweredByTheDeviceValue) {
  struct Case {
    const char* name;
    std::uint32_t failures;
    std::function<void(PyxisControlModel&)> set;
    std::vector<Request> received;
    std::function<bool(const PyxisControlModel&)> followsDevice;
  };
  const Case cases[] = {
      {"selector",
       1,
       [](PyxisControlModel& m) { m.selectInput(3); },
       {{kGet, 0x81, kSelector, kSelectorUnit, {1}}},
       [](const PyxisControlModel& m) { return m.currentInput() == 1; }},
      {"selector, read-back lost",
       2,
       [](PyxisControlModel& m) { m.selectInput(3); },
       {},
       [](const PyxisControlModel& m) { return m.currentInput() == 1; }},
      {"input mute",
       1,
       [](PyxisControlModel& m) { m.setInputMute(true); },
       {{kGet, 0x81, kMute, kInput1Unit, {0}}},
       [](const PyxisControlModel& m) { return !m.inputMuted(); }},
      {"output mute, read-back lost",
       2,
       [](PyxisControlModel& m) { m.setOutputMute(true); },
       {},
       [](const PyxisControlModel& m) { return !m.outputMuted(); }},
      {"volume",
       1,
       [](PyxisControlModel& m) { m.setVolume(PyxisPath::Output, PyxisSide::Right, 0xFB00); },
       {{kGet, 0x81, kVolume, kOutputUnit, {0x00, 0xF4, 0x00, 0xF4}}},
       [](const PyxisControlModel& m) { return m.volume(PyxisPath::Output, PyxisSide::Right) == 0xF400; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(devsim::failRequests(id_, kernel::kRequestClass, c.failures));
    c.set(model());
    EXPECT_EQ(requests(), c.received);
    EXPECT_TRUE(c.followsDevice(model()));
  }
}

// A volume whose read-back is refused too keeps what was set: the device gave no other value.
TEST_F(PyxisOperationsTest, VolumeWithoutAnAnswerKeepsTheValueSet) {
  ASSERT_TRUE(devsim::failRequests(id_, kernel::kRequestClass, 2));
  model().setVolume(PyxisPath::Input, PyxisSide::Left, 0x0200);
  EXPECT_TRUE(requests().empty());
  EXPECT_EQ(model().volume(PyxisPath::Input, PyxisSide::Left), 0x0200u);
  EXPECT_EQ(model().volume(PyxisPath::Input, PyxisSide::Right), 0u);
}

} // namespace
