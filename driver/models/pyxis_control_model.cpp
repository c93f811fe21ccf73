#include <abi/devices.h>
#include <abi/kernel.h>
#include <driver/models/pyxis_control_model.h>

namespace {

constexpr const char* kSettingsKeyName = "PyxisSettings";
constexpr std::uint8_t kInputMuteUnits[kPyxisInputCount] = {
    devicetable::kPyxisInput1Unit, devicetable::kPyxisInput2Unit, devicetable::kPyxisInput3Unit};

std::uint8_t volumeUnit(PyxisPath path) {
  return path == PyxisPath::Input ? devicetable::kPyxisInput1Unit : devicetable::kPyxisOutputUnit;
}

std::size_t channelIndex(PyxisPath path, PyxisSide side) {
  return (path == PyxisPath::Input ? 0 : 2) + (side == PyxisSide::Left ? 0 : 1);
}

std::uint16_t lowWord(std::uint32_t field) { return static_cast<std::uint16_t>(field & 0xFFFF); }

// The fields by path and side, and the input mutes by input number (1 to 3), for const and
// non-const settings alike.
template <typename Settings>
auto& volumeFieldOf(Settings& s, PyxisPath path, PyxisSide side) {
  const bool left = side == PyxisSide::Left;
  return path == PyxisPath::Input ? (left ? s.VolInL : s.VolInR) : (left ? s.VolOutL : s.VolOutR);
}

template <typename Settings>
auto& inputMuteOf(Settings& s, std::int32_t input) {
  return input == 1 ? s.MuteIn_1 : (input == 2 ? s.MuteIn_2 : s.MuteIn_3);
}

} // namespace

PyxisControlModel::PyxisControlModel(const KxRegistryKey& parentKey, UsbAudioDevice& device)
    : units_(device), parentKey_(parentKey.path()) {
  if (loadSettings()) {
    writeStateToDevice();
  } else {
    // A partial key counts as none: the device's state wins over the values read.
    readStateFromDevice();
  }
  readRanges();
}

PyxisControlModel::~PyxisControlModel() { saveSettings(); }

bool PyxisControlModel::loadSettings() {
  return loadPyxisSettings(*parentKey_.subKey(kSettingsKeyName), settings_);
}

void PyxisControlModel::saveSettings() { savePyxisSettings(*parentKey_.subKey(kSettingsKeyName), settings_); }

std::uint32_t PyxisControlModel::volume(PyxisPath path, PyxisSide side) const {
  return volumeFieldOf(settings_, path, side);
}

const PyxisVolumeRange& PyxisControlModel::range(PyxisPath path, PyxisSide side) const {
  return ranges_[channelIndex(path, side)];
}

bool PyxisControlModel::inputMuted() const { return inputMuteOf(settings_, settings_.InputSelector) == 1; }

void PyxisControlModel::sendSelector() {
  if (!units_.setSelector(settings_.InputSelector)) {
    settings_.InputSelector = units_.selector();
  }
}

void PyxisControlModel::sendMute(std::uint8_t unit, std::uint32_t& field) {
  // The model reads only 1 as muted, so that is the only value that mutes the device.
  if (!units_.setMute(unit, field == 1)) {
    field = units_.muted(unit) ? 1 : 0;
  }
}

void PyxisControlModel::sendVolume(PyxisPath path) {
  const StereoWords words = {lowWord(volumeFieldOf(settings_, path, PyxisSide::Left)),
                             lowWord(volumeFieldOf(settings_, path, PyxisSide::Right))};
  if (!units_.setVolume(volumeUnit(path), words)) {
    readVolume(path);
  }
}

void PyxisControlModel::readVolume(PyxisPath path) {
  // A refused read leaves the fields as they were: zeros would claim a volume nobody set.
  if (const auto answer = units_.volume(volumeUnit(path), kernel::kUacGetCur)) {
    volumeFieldOf(settings_, path, PyxisSide::Left) = answer->left;
    volumeFieldOf(settings_, path, PyxisSide::Right) = answer->right;
  }
}

void PyxisControlModel::selectInput(std::int32_t input) {
  if (input == settings_.InputSelector || input < 1 || input > kPyxisInputCount) {
    return;
  }
  settings_.InputSelector = input;
  sendSelector();
}

void PyxisControlModel::setInputMute(bool on) {
  std::uint32_t& field = inputMuteOf(settings_, settings_.InputSelector);
  if ((field == 1) == on) {
    return;
  }
  field = on ? 1 : 0;
  sendMute(kInputMuteUnits[settings_.InputSelector - 1], field);
}

void PyxisControlModel::setOutputMute(bool on) {
  if (outputMuted() == on) {
    return;
  }
  settings_.MuteOut = on ? 1 : 0;
  sendMute(devicetable::kPyxisOutputUnit, settings_.MuteOut);
}

void PyxisControlModel::setVolume(PyxisPath path, PyxisSide side, std::uint32_t value) {
  volumeFieldOf(settings_, path, side) = value;
  sendVolume(path);
}

void PyxisControlModel::writeStateToDevice() {
  sendSelector();
  for (std::int32_t input = 1; input <= kPyxisInputCount; ++input) {
    sendMute(kInputMuteUnits[input - 1], inputMuteOf(settings_, input));
  }
  sendMute(devicetable::kPyxisOutputUnit, settings_.MuteOut);
  sendVolume(PyxisPath::Input);
  sendVolume(PyxisPath::Output);
}

void PyxisControlModel::readStateFromDevice() {
  settings_.InputSelector = units_.selector();
  for (std::int32_t input = 1; input <= kPyxisInputCount; ++input) {
    inputMuteOf(settings_, input) = units_.muted(kInputMuteUnits[input - 1]) ? 1 : 0;
  }
  settings_.MuteOut = units_.muted(devicetable::kPyxisOutputUnit) ? 1 : 0;
  readVolume(PyxisPath::Input);
  readVolume(PyxisPath::Output);
}

void PyxisControlModel::readRanges() {
  constexpr std::int16_t PyxisVolumeRange::*kParts[] = {
      &PyxisVolumeRange::minimum, &PyxisVolumeRange::maximum, &PyxisVolumeRange::resolution};
  for (const PyxisPath path : {PyxisPath::Input, PyxisPath::Output}) {
    for (std::uint8_t request = kernel::kUacGetMin; request <= kernel::kUacGetRes; ++request) {
      if (const auto answer = units_.volume(volumeUnit(path), request)) {
        auto& part = kParts[request - kernel::kUacGetMin];
        ranges_[channelIndex(path, PyxisSide::Left)].*part = static_cast<std::int16_t>(answer->left);
        ranges_[channelIndex(path, PyxisSide::Right)].*part = static_cast<std::int16_t>(answer->right);
      }
    }
  }
}
