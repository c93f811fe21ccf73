// The Orin settings in the registry: defaults, what loading takes from each value, the ranges
// enforced after loading and before saving, and the values written.
#include <winapi/include/winapi.h>

#include "orin_fixture.h"

#include <functional>
#include <string>

namespace {

constexpr const char* kKey = "OrinSettings";
constexpr const char* kValueNames[] = {
    "GangMode",  "Freq",      "AutoFreq",  "Outmix",     "ProfessionalMode", "ClockSrc",
    "InputSrcA", "InputSrcD", "Volume0",   "Volume1",    "Volume2",          "Volume3",
    "AnalogMx0", "AnalogMx1", "AnalogMx2", "DigitalMx0", "DigitalMx1",       "DigitalMx2"};

class OrinSettingsTest : public kxtest::OrinFixture {};

using Field = std::function<std::uint32_t(const OrinSettings&)>;

TEST_F(OrinSettingsTest, MissingKeyKeepsTheDefaults) {
  open();
  const OrinSettings& s = model().settings();
  EXPECT_EQ(s.Volume0, 127);
  EXPECT_EQ(s.Volume3, 127);
  EXPECT_TRUE(s.GangMode);
  EXPECT_EQ(s.Freq, 1u);
  EXPECT_EQ(s.AutoFreq, 1u);
  EXPECT_EQ(s.AnalogMx2, 1u);
  EXPECT_EQ(s.DigitalMx2, 1u);
  EXPECT_EQ(s.AnalogMx0 | s.AnalogMx1 | s.DigitalMx0 | s.DigitalMx1 | s.Outmix, 0u);
  EXPECT_FALSE(s.ProfessionalMode);
  EXPECT_EQ(s.ClockSrc | s.InputSrcA | s.InputSrcD, 0u);
}

TEST_F(OrinSettingsTest, LoadTakesEachValueAndClampsItsField) {
  struct Case {
    const char* name;
    std::uint32_t stored;
    Field field;
    std::uint32_t loaded;
  };
  const Case cases[] = {
      {"Volume0", 200, [](const OrinSettings& s) { return s.Volume0; }, 127},
      {"Volume0", 175, [](const OrinSettings& s) { return s.Volume0; }, 175},
      {"Volume1", 0x1234, [](const OrinSettings& s) { return s.Volume1; }, 0x34}, // the low byte
      {"Volume1", 176, [](const OrinSettings& s) { return s.Volume1; }, 127},
      {"Volume2", 128, [](const OrinSettings& s) { return s.Volume2; }, 127},
      {"Volume3", 0, [](const OrinSettings& s) { return s.Volume3; }, 0},
      {"Freq", 3, [](const OrinSettings& s) { return s.Freq; }, 1},
      {"Freq", 2, [](const OrinSettings& s) { return s.Freq; }, 2},
      {"Freq", 0, [](const OrinSettings& s) { return s.Freq; }, 0},
      {"InputSrcD", 5, [](const OrinSettings& s) { return s.InputSrcD; }, 1},
      {"AutoFreq", 0, [](const OrinSettings& s) { return s.AutoFreq; }, 0},
      {"DigitalMx1", 0xFFFFFFFF, [](const OrinSettings& s) { return s.DigitalMx1; }, 1},
      {"GangMode", 7, [](const OrinSettings& s) { return s.GangMode ? 1u : 0u; }, 1},
      {"GangMode", 0, [](const OrinSettings& s) { return s.GangMode ? 1u : 0u; }, 0},
      {"ProfessionalMode", 2, [](const OrinSettings& s) { return s.ProfessionalMode ? 1u : 0u; }, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " = " + std::to_string(c.stored));
    storeValue(kKey, c.name, c.stored);
    open();
    EXPECT_EQ(c.field(model().settings()), c.loaded);
    device_.reset();
    forgetKey(kKey);
  }
}

// Values of another type or size leave their fields at the defaults.
TEST_F(OrinSettingsTest, ValuesOfAnotherTypeOrSizeAreIgnored) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, (std::string(kSettingsPath) + "\\" + kKey).c_str(), &key),
            ERROR_SUCCESS);
  const char text[] = "2";
  ASSERT_EQ(RegSetValueExA(key, "Freq", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text),
            ERROR_SUCCESS);
  const BYTE shortValue[2] = {100, 0};
  ASSERT_EQ(RegSetValueExA(key, "Volume2", 0, REG_DWORD, shortValue, sizeof shortValue), ERROR_SUCCESS);
  const BYTE binary[4] = {1, 0, 0, 0};
  ASSERT_EQ(RegSetValueExA(key, "ClockSrc", 0, REG_BINARY, binary, sizeof binary), ERROR_SUCCESS);
  RegCloseKey(key);
  open();
  const OrinSettings& s = model().settings();
  EXPECT_EQ(s.Freq, 1u);
  EXPECT_EQ(s.Volume2, 127);
  EXPECT_EQ(s.ClockSrc, 0u);
}

TEST_F(OrinSettingsTest, SaveValidatesThenWritesEveryValue) {
  open();
  auto& model = this->model();
  OrinSettings& s = model.settings();
  s.Volume0 = 175;
  s.Volume2 = 200; // out of range: saved as 127
  s.Freq = 9;      // out of range: saved as 1
  s.InputSrcA = 1;
  s.GangMode = false;
  s.ProfessionalMode = true;
  model.saveSettings();
  EXPECT_EQ(s.Volume2, 127) << "the record itself is validated";
  EXPECT_EQ(s.Freq, 1u);
  for (const char* name : kValueNames) {
    EXPECT_GE(storedValue(kKey, name), 0) << name;
  }
  EXPECT_EQ(storedValue(kKey, "Volume0"), 175);
  EXPECT_EQ(storedValue(kKey, "Volume2"), 127);
  EXPECT_EQ(storedValue(kKey, "Freq"), 1);
  EXPECT_EQ(storedValue(kKey, "InputSrcA"), 1);
  EXPECT_EQ(storedValue(kKey, "GangMode"), 0);
  EXPECT_EQ(storedValue(kKey, "ProfessionalMode"), 1);
  EXPECT_EQ(storedValue(kKey, "AnalogMx2"), 1);
  EXPECT_EQ(storedValue(kKey, "DigitalMx0"), 0);
}

// Destruction saves every value, then clears the host-control flag on the controller.
TEST_F(OrinSettingsTest, DestructionSavesAndClearsTheHostControlFlag) {
  storeValue(kKey, "ClockSrc", 1);
  open();
  model().settings().Volume3 = 50;
  ASSERT_EQ(orin().registers[0xE1] & 0x02, 0x02);
  const std::size_t logged = orin().log.size();
  deleteModel();
  for (const char* name : kValueNames) {
    EXPECT_GE(storedValue(kKey, name), 0) << name;
  }
  EXPECT_EQ(storedValue(kKey, "Volume3"), 50);
  EXPECT_EQ(storedValue(kKey, "ClockSrc"), 1);
  // Clock source 1 and input sources 0: 0xA0, 0x01 and 0x04 stay; bit 1 goes.
  EXPECT_EQ(kxtest::asEvents(eventsFrom(logged)),
            std::vector<kxtest::Event>{kxtest::switchWrite(0xE1, 0xA5)});
  EXPECT_EQ(orin().registers[0xE1], 0xA5);
}

} // namespace
