#include <driver/models/orin_control_model.h>

#include <iterator>

namespace {

constexpr const char* kSettingsKeyName = "OrinSettings";
constexpr std::uint8_t kFirstVolumeRegister = 0xA4;
// Switch register 1, bit 1: the host controls the mixer while a model exists.
constexpr std::uint8_t kHostControl = 0x02;
constexpr std::uint8_t kFreqCommand = 8;      // + Freq 0 to 2
constexpr std::uint8_t kAutoFreqCommand = 13; // + AutoFreq 0 or 1
constexpr std::uint8_t kProfessionalOff = 11; // 12: on
constexpr std::uint8_t kAnalogMixMasks[] = {0x10, 0x20, 0x40};
constexpr std::uint8_t kDigitalMixMasks[] = {0x01, 0x02, 0x04};
constexpr std::uint8_t kOutmixMask = 0x88;
constexpr std::uint8_t kClockSrcMask = 0xA0;
constexpr std::uint8_t kInputSrcAMask = 0x11; // 0x01 for source 0, 0x10 otherwise
constexpr std::uint8_t kInputSrcDMask = 0x0C; // 0x04 unless source 1, 0x08 unless source 0

struct ItemAndIndex {
  int item;
  int index;
};
// Every item once, the frequency mode and the frequency first.
constexpr ItemAndIndex kApplyAllOrder[] = {{kOrinItemAutoFreq, 0},   {kOrinItemFreq, 0},
                                           {kOrinItemVolume, 0},     {kOrinItemVolume, 1},
                                           {kOrinItemVolume, 2},     {kOrinItemVolume, 3},
                                           {kOrinItemAnalogMix, 0},  {kOrinItemAnalogMix, 1},
                                           {kOrinItemAnalogMix, 2},  {kOrinItemDigitalMix, 0},
                                           {kOrinItemDigitalMix, 1}, {kOrinItemDigitalMix, 2},
                                           {kOrinItemOutmix, 0},     {kOrinItemProfessionalMode, 0},
                                           {kOrinItemClockSrc, 0},   {kOrinItemInputSrcA, 0},
                                           {kOrinItemInputSrcD, 0}};

bool validIndex(int index, std::size_t count) {
  return index >= 0 && static_cast<std::size_t>(index) < count;
}

} // namespace

OrinControlModel::OrinControlModel(const KxRegistryKey& parentKey, UsbAudioDevice& device)
    : tunnel_(device), parentKey_(parentKey.path()) {
  loadSettings();
  applyAll();
}

OrinControlModel::~OrinControlModel() {
  saveSettings();
  tunnel_.writeSwitchBits(OrinSwitch::Register1, kHostControl, 0);
}

void OrinControlModel::loadSettings() { loadOrinSettings(*parentKey_.subKey(kSettingsKeyName), settings_); }

void OrinControlModel::saveSettings() { saveOrinSettings(*parentKey_.subKey(kSettingsKeyName), settings_); }

void OrinControlModel::applyAll() {
  tunnel_.clearSwitchShadows();
  tunnel_.writeSwitchBits(OrinSwitch::Register1, kHostControl, kHostControl);
  for (const ItemAndIndex& step : kApplyAllOrder) {
    applyItem(step.item, step.index);
  }
}

void OrinControlModel::applyItem(int item, int index) {
  const OrinSettings& s = settings_;
  // A switch item owns the bits of its mask: all of them when its field is 1, else none.
  const auto switchFlag = [this](OrinSwitch which, std::uint8_t mask, std::uint32_t field) {
    tunnel_.writeSwitchBits(which, mask, field == 1 ? mask : 0);
  };
  switch (item) {
  case kOrinItemVolume: {
    const std::uint8_t volumes[] = {s.Volume0, s.Volume1, s.Volume2, s.Volume3};
    if (validIndex(index, std::size(volumes))) {
      tunnel_.writeRegister(static_cast<std::uint8_t>(kFirstVolumeRegister + index), volumes[index]);
    }
    break;
  }
  case kOrinItemFreq:
    if (s.Freq <= 2) {
      tunnel_.sendCommand(static_cast<std::uint8_t>(kFreqCommand + s.Freq));
    }
    break;
  case kOrinItemAutoFreq:
    if (s.AutoFreq <= 1) {
      tunnel_.sendCommand(static_cast<std::uint8_t>(kAutoFreqCommand + s.AutoFreq));
    }
    break;
  case kOrinItemAnalogMix:
  case kOrinItemDigitalMix: {
    const bool analog = item == kOrinItemAnalogMix;
    const std::uint32_t mixes[] = {analog ? s.AnalogMx0 : s.DigitalMx0, analog ? s.AnalogMx1 : s.DigitalMx1,
                                   analog ? s.AnalogMx2 : s.DigitalMx2};
    if (validIndex(index, std::size(mixes))) {
      switchFlag(OrinSwitch::Register0, (analog ? kAnalogMixMasks : kDigitalMixMasks)[index], mixes[index]);
    }
    break;
  }
  case kOrinItemOutmix:
    switchFlag(OrinSwitch::Register0, kOutmixMask, s.Outmix);
    break;
  case kOrinItemProfessionalMode:
    tunnel_.sendCommand(static_cast<std::uint8_t>(kProfessionalOff + (s.ProfessionalMode ? 1 : 0)));
    break;
  case kOrinItemClockSrc:
    switchFlag(OrinSwitch::Register1, kClockSrcMask, s.ClockSrc);
    break;
  case kOrinItemInputSrcA:
    tunnel_.writeSwitchBits(
        OrinSwitch::Register1, kInputSrcAMask,
        static_cast<std::uint8_t>((s.InputSrcA != 0 ? 0x10 : 0) | (s.InputSrcA == 0 ? 0x01 : 0)));
    break;
  case kOrinItemInputSrcD:
    tunnel_.writeSwitchBits(
        OrinSwitch::Register1, kInputSrcDMask,
        static_cast<std::uint8_t>((s.InputSrcD != 0 ? 0x08 : 0) | (s.InputSrcD != 1 ? 0x04 : 0)));
    break;
  default:
    break;
  }
}
