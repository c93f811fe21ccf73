// The Orin model's items and applyAll, seen as the commands and writes the controller ran.
#include "orin_fixture.h"

#include <functional>

namespace {

using kxtest::command;
using kxtest::Event;
using kxtest::registerWrite;
using kxtest::switchWrite;

class OrinModelTest : public kxtest::OrinFixture {
protected:
  std::vector<Event> eventsOf(const std::function<void()>& action) {
    const std::size_t logged = orin().log.size();
    action();
    return kxtest::asEvents(eventsFrom(logged));
  }
};

TEST_F(OrinModelTest, ConstructionSendsEveryItemAfterTheHostControlFlag) {
  const auto events = eventsOf([this] { open(); });
  const std::vector<Event> expected = {
      switchWrite(0xE1, 0x02), // host control first
      command(14),             // AutoFreq 1
      command(9),              // Freq 1
      registerWrite(0xA4, 127),
      registerWrite(0xA5, 127),
      registerWrite(0xA6, 127),
      registerWrite(0xA7, 127),
      switchWrite(0xE0, 0x00),
      switchWrite(0xE0, 0x00),
      switchWrite(0xE0, 0x40), // AnalogMx0..2
      switchWrite(0xE0, 0x40),
      switchWrite(0xE0, 0x40),
      switchWrite(0xE0, 0x44), // DigitalMx0..2
      switchWrite(0xE0, 0x44), // Outmix 0
      command(11),             // ProfessionalMode off
      switchWrite(0xE1, 0x02), // ClockSrc 0
      switchWrite(0xE1, 0x03), // InputSrcA 0
      switchWrite(0xE1, 0x07), // InputSrcD 0
  };
  EXPECT_EQ(events, expected);
}

TEST_F(OrinModelTest, SwitchRegisterOneCollectsEveryItemsBits) {
  storeValue("OrinSettings", "InputSrcA", 0);
  storeValue("OrinSettings", "InputSrcD", 1);
  storeValue("OrinSettings", "ClockSrc", 1);
  open();
  const auto log = orin().log;
  const auto last = std::find_if(log.rbegin(), log.rend(), [](const devsim::OrinEvent& e) {
    return e.kind == devsim::OrinEvent::Kind::SwitchWrite && e.address == 0xE1;
  });
  ASSERT_NE(last, log.rend());
  EXPECT_EQ(last->value, 0xAB);
  EXPECT_EQ(orin().registers[0xE1], 0xAB);
}

TEST_F(OrinModelTest, ApplyAllStartsFromClearedShadows) {
  open();
  auto& model = this->model();
  model.settings().Outmix = 1;
  model.applyItem(kOrinItemOutmix, 0);
  model.settings().Outmix = 0;
  const auto events = eventsOf([&model] { model.applyAll(); });
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front(), switchWrite(0xE1, 0x02)) << "only the host-control flag, nothing left over";
  EXPECT_EQ(orin().registers[0xE0], 0x44);
}

// Each item changes one field from the defaults and sends it; the switch registers start
// from the defaults' bytes, 0x44 and 0x07.
TEST_F(OrinModelTest, EachItemSendsItsSetting) {
  struct Case {
    const char* name;
    std::function<void(OrinSettings&)> change;
    int item;
    int index;
    Event sent;
  };
  const Case cases[] = {
      {"Volume0 1", [](OrinSettings& s) { s.Volume0 = 1; }, kOrinItemVolume, 0, registerWrite(0xA4, 1)},
      {"Volume1 175", [](OrinSettings& s) { s.Volume1 = 175; }, kOrinItemVolume, 1, registerWrite(0xA5, 175)},
      {"Volume3 0", [](OrinSettings& s) { s.Volume3 = 0; }, kOrinItemVolume, 3, registerWrite(0xA7, 0)},
      {"Freq 0", [](OrinSettings& s) { s.Freq = 0; }, kOrinItemFreq, 0, command(8)},
      {"Freq 2", [](OrinSettings& s) { s.Freq = 2; }, kOrinItemFreq, 7, command(10)},
      {"AutoFreq 0", [](OrinSettings& s) { s.AutoFreq = 0; }, kOrinItemAutoFreq, 0, command(13)},
      {"AnalogMx0 1", [](OrinSettings& s) { s.AnalogMx0 = 1; }, kOrinItemAnalogMix, 0,
       switchWrite(0xE0, 0x54)},
      {"AnalogMx1 1", [](OrinSettings& s) { s.AnalogMx1 = 1; }, kOrinItemAnalogMix, 1,
       switchWrite(0xE0, 0x64)},
      {"AnalogMx2 0", [](OrinSettings& s) { s.AnalogMx2 = 0; }, kOrinItemAnalogMix, 2,
       switchWrite(0xE0, 0x04)},
      {"DigitalMx0 1", [](OrinSettings& s) { s.DigitalMx0 = 1; }, kOrinItemDigitalMix, 0,
       switchWrite(0xE0, 0x45)},
      {"DigitalMx1 1", [](OrinSettings& s) { s.DigitalMx1 = 1; }, kOrinItemDigitalMix, 1,
       switchWrite(0xE0, 0x46)},
      {"DigitalMx2 0", [](OrinSettings& s) { s.DigitalMx2 = 0; }, kOrinItemDigitalMix, 2,
       switchWrite(0xE0, 0x40)},
      {"DigitalMx2 5", [](OrinSettings& s) { s.DigitalMx2 = 5; }, kOrinItemDigitalMix, 2,
       switchWrite(0xE0, 0x40)},
      {"Outmix 1", [](OrinSettings& s) { s.Outmix = 1; }, kOrinItemOutmix, 0, switchWrite(0xE0, 0xCC)},
      {"ProfessionalMode on", [](OrinSettings& s) { s.ProfessionalMode = true; }, kOrinItemProfessionalMode,
       0, command(12)},
      {"ClockSrc 1", [](OrinSettings& s) { s.ClockSrc = 1; }, kOrinItemClockSrc, 0, switchWrite(0xE1, 0xA7)},
      {"InputSrcA 1", [](OrinSettings& s) { s.InputSrcA = 1; }, kOrinItemInputSrcA, 0,
       switchWrite(0xE1, 0x16)},
      {"InputSrcD 1", [](OrinSettings& s) { s.InputSrcD = 1; }, kOrinItemInputSrcD, 0,
       switchWrite(0xE1, 0x0B)},
      // Unvalidated values the page could leave: both InputSrcD bits.
      {"InputSrcD 5", [](OrinSettings& s) { s.InputSrcD = 5; }, kOrinItemInputSrcD, 0,
       switchWrite(0xE1, 0x0F)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    open();
    c.change(model().settings());
    EXPECT_EQ(eventsOf([&] { model().applyItem(c.item, c.index); }), std::vector<Event>{c.sent});
    device_.reset();
    forgetKey("OrinSettings");
  }
}

TEST_F(OrinModelTest, ItemsWithoutASettingSendNothing) {
  struct Case {
    const char* name;
    std::function<void(OrinSettings&)> change;
    int item;
    int index;
  };
  const Case cases[] = {
      {"item 10", [](OrinSettings&) {}, 10, 0},
      {"item -1", [](OrinSettings&) {}, -1, 0},
      {"volume index 4", [](OrinSettings&) {}, kOrinItemVolume, 4},
      {"volume index -1", [](OrinSettings&) {}, kOrinItemVolume, -1},
      {"analog mix index 3", [](OrinSettings&) {}, kOrinItemAnalogMix, 3},
      {"digital mix index 3", [](OrinSettings&) {}, kOrinItemDigitalMix, 3},
      {"Freq 3", [](OrinSettings& s) { s.Freq = 3; }, kOrinItemFreq, 0},
      {"AutoFreq 2", [](OrinSettings& s) { s.AutoFreq = 2; }, kOrinItemAutoFreq, 0},
  };
  open();
  forgetRequests();
  auto& model = this->model();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.change(model.settings());
    model.applyItem(c.item, c.index);
    EXPECT_TRUE(newRequests().empty());
  }
}

} // namespace
