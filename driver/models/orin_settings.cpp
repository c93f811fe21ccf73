#include <driver/host/registry_key.h>
#include <driver/models/orin_settings.h>

namespace {

// Every persisted field with its value name, in the order the values are read and written.
template <typename Settings, typename Visit>
void visitValues(Settings& s, Visit&& visit) {
  visit("GangMode", s.GangMode);
  visit("Freq", s.Freq);
  visit("AutoFreq", s.AutoFreq);
  visit("Outmix", s.Outmix);
  visit("ProfessionalMode", s.ProfessionalMode);
  visit("ClockSrc", s.ClockSrc);
  visit("InputSrcA", s.InputSrcA);
  visit("InputSrcD", s.InputSrcD);
  visit("Volume0", s.Volume0);
  visit("Volume1", s.Volume1);
  visit("Volume2", s.Volume2);
  visit("Volume3", s.Volume3);
  visit("AnalogMx0", s.AnalogMx0);
  visit("AnalogMx1", s.AnalogMx1);
  visit("AnalogMx2", s.AnalogMx2);
  visit("DigitalMx0", s.DigitalMx0);
  visit("DigitalMx1", s.DigitalMx1);
  visit("DigitalMx2", s.DigitalMx2);
}

void fromStored(bool& field, std::uint32_t value) { field = value != 0; }
void fromStored(std::uint8_t& field, std::uint32_t value) { field = static_cast<std::uint8_t>(value & 0xFF); }
void fromStored(std::uint32_t& field, std::uint32_t value) { field = value; }

void limitVolume(std::uint8_t& volume, std::uint8_t maximum) {
  if (volume > maximum) {
    volume = 127;
  }
}

void limitChoice(std::uint32_t& field, std::uint32_t maximum) {
  if (field > maximum) {
    field = 1;
  }
}

} // namespace

void validateOrinSettings(OrinSettings& s) {
  limitVolume(s.Volume0, kOrinInputVolumeMax);
  limitVolume(s.Volume1, kOrinInputVolumeMax);
  limitVolume(s.Volume2, kOrinOutputVolumeMax);
  limitVolume(s.Volume3, kOrinOutputVolumeMax);
  limitChoice(s.Freq, 2);
  for (std::uint32_t* flag :
       {&s.AutoFreq, &s.AnalogMx0, &s.AnalogMx1, &s.AnalogMx2, &s.DigitalMx0, &s.DigitalMx1, &s.DigitalMx2,
        &s.Outmix, &s.ClockSrc, &s.InputSrcA, &s.InputSrcD}) {
    limitChoice(*flag, 1);
  }
}

void loadOrinSettings(const KxRegistryKey& key, OrinSettings& settings) {
  visitValues(settings, [&key](const char* name, auto& field) {
    std::uint32_t value = 0;
    if (key.readDword(name, value)) {
      fromStored(field, value);
    }
  });
  validateOrinSettings(settings);
}

void saveOrinSettings(const KxRegistryKey& key, OrinSettings& settings) {
  validateOrinSettings(settings);
  visitValues(settings, [&key](const char* name, const auto& field) {
    key.writeDword(name, static_cast<std::uint32_t>(field));
  });
}
