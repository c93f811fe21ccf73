#pragma once

#include <driver/host/registry_key.h>
#include <driver/models/orin_settings.h>
#include <driver/models/orin_tunnel.h>

class UsbAudioDevice;

// The items applyItem sends, by number.
enum OrinItem : int {
  kOrinItemVolume = 0, // index 0 to 3: Volume0 to Volume3
  kOrinItemFreq = 1,
  kOrinItemAutoFreq = 2,
  kOrinItemAnalogMix = 3,  // index 0 to 2: AnalogMx0 to AnalogMx2
  kOrinItemDigitalMix = 4, // index 0 to 2: DigitalMx0 to DigitalMx2
  kOrinItemOutmix = 5,
  kOrinItemProfessionalMode = 6,
  kOrinItemClockSrc = 7,
  kOrinItemInputSrcA = 8,
  kOrinItemInputSrcD = 9,
};

// The settings of an Orin device's mixer and clock controller, kept under "OrinSettings"
// below the driver's settings key and sent through the tunnel. Construction loads the
// settings and sends all of them while setting the host-control flag; destruction saves
// them and clears the flag.
class OrinControlModel {
public:
  OrinControlModel(const KxRegistryKey& parentKey, UsbAudioDevice& device);
  OrinControlModel(const OrinControlModel&) = delete;
  OrinControlModel& operator=(const OrinControlModel&) = delete;
  virtual ~OrinControlModel();

  // The Orin page edits the record in place, then sends the changed item.
  OrinSettings& settings() { return settings_; }
  // An item number above 9 or an index beyond the item's fields sends nothing.
  void applyItem(int item, int index);
  // Clears both switch shadows, sets the host-control flag and sends every item.
  void applyAll();
  void loadSettings();
  void saveSettings();
  void validateSettings() { validateOrinSettings(settings_); }

private:
  OrinTunnel tunnel_;
  // A copy of the path: the model never depends on the lifetime of the caller's key.
  KxRegistryKey parentKey_;
  OrinSettings settings_;
};
