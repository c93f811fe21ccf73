#pragma once

#include <driver/host/registry_key.h>
#include <driver/models/pyxis_settings.h>
#include <driver/models/pyxis_units.h>

#include <array>
#include <cstdint>

class UsbAudioDevice;

enum class PyxisPath { Input, Output };
enum class PyxisSide { Left, Right };

struct PyxisVolumeRange {
  std::int16_t minimum = 0;
  std::int16_t maximum = 0;
  std::int16_t resolution = 0;
};

// The controls of a Pyxis device, kept under "PyxisSettings" below the driver's settings
// key. A complete stored state is written to the device at construction; otherwise the
// device's own state is adopted. Every set that the device refuses is answered by reading
// the device's value back, so the model follows the device.
class PyxisControlModel {
public:
  PyxisControlModel(const KxRegistryKey& parentKey, UsbAudioDevice& device);
  PyxisControlModel(const PyxisControlModel&) = delete;
  PyxisControlModel& operator=(const PyxisControlModel&) = delete;
  virtual ~PyxisControlModel();

  std::int32_t currentInput() const { return settings_.InputSelector; }
  // Inputs are 1 to 3; any other number, or the current one, sends nothing.
  void selectInput(std::int32_t input);
  // The mute of the selected input.
  bool inputMuted() const;
  void setInputMute(bool on);
  bool outputMuted() const { return settings_.MuteOut == 1; }
  void setOutputMute(bool on);
  std::uint32_t volume(PyxisPath path, PyxisSide side) const;
  // Only the low 16 bits are sent; the value is stored as it is.
  void setVolume(PyxisPath path, PyxisSide side, std::uint32_t value);
  std::int16_t volumeMin(PyxisPath path, PyxisSide side) const { return range(path, side).minimum; }
  std::int16_t volumeMax(PyxisPath path, PyxisSide side) const { return range(path, side).maximum; }
  bool gang() const { return settings_.GangMode == 1; }
  void setGang(bool on) { settings_.GangMode = on ? 1 : 0; }
  // True only when every value was stored.
  bool loadSettings();
  void saveSettings();

private:
  const PyxisVolumeRange& range(PyxisPath path, PyxisSide side) const;
  // Each sends one control and reads it back when the device refuses it.
  void sendSelector();
  void sendMute(std::uint8_t unit, std::uint32_t& field);
  void sendVolume(PyxisPath path);
  void readVolume(PyxisPath path);
  void writeStateToDevice();
  void readStateFromDevice();
  void readRanges();

  PyxisUnits units_;
  // A copy of the path: the model never depends on the lifetime of the caller's key.
  KxRegistryKey parentKey_;
  PyxisSettings settings_;
  // Input left, input right, output left, output right.
  std::array<PyxisVolumeRange, 4> ranges_{};
};
