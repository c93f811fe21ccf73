#include "pyxis_controller.h"

#include <abi/devices.h>

#include <algorithm>

namespace devsim {
namespace {

constexpr std::uint16_t kMuteControl = 0x0100;
constexpr std::uint16_t kVolumeControl = 0x0200;
constexpr std::uint8_t kAllChannels = 0xFF;

// Input path -24 dB .. +12 dB in 1 dB steps; output -60 dB .. 0 dB in 0.5 dB steps. The
// output starts at -12 dB, so a reader can tell the device's own state from zeros.
constexpr VolumeRange kInputRange{-0x1800, 0x0C00, 0x0100};
constexpr VolumeRange kOutputRange{-0x3C00, 0x0000, 0x0080};
constexpr std::int16_t kOutputStart = -0x0C00;

std::int16_t wordAt(std::span<const std::uint8_t> data, std::size_t at) {
  return static_cast<std::int16_t>(data[at] | data[at + 1] << 8);
}

void putWord(std::span<std::uint8_t> data, std::size_t at, std::int16_t word) {
  data[at] = static_cast<std::uint8_t>(word & 0xFF);
  data[at + 1] = static_cast<std::uint8_t>((word >> 8) & 0xFF);
}

bool toDevice(const kernel::UsbSetupPacket& setup) {
  return (setup.requestType & kernel::kUsbDirectionIn) == 0;
}

} // namespace

PyxisController::PyxisController() {
  state_.inputRange = kInputRange;
  state_.outputRange = kOutputRange;
  state_.outputVolume = {kOutputStart, kOutputStart};
}

bool PyxisController::request(const kernel::UsbSetupPacket& setup, std::span<std::uint8_t> data) {
  const std::uint8_t typeAndRecipient = setup.requestType & ~kernel::kUsbDirectionIn;
  const bool setCur = toDevice(setup) && setup.request == kernel::kUacSetCur;
  const bool get =
      !toDevice(setup) && setup.request >= kernel::kUacGetCur && setup.request <= kernel::kUacGetRes;
  if (typeAndRecipient != (kernel::kUsbTypeClass | kernel::kUsbRecipientInterface) ||
      (setup.index & 0xFF) != 0 || data.size() != setup.length || (!setCur && !get)) {
    return false;
  }
  switch (setup.index >> 8) {
  case devicetable::kPyxisSelectorUnit:
    return selector(setup, data);
  case devicetable::kPyxisInput1Unit:
    return setup.value == kMuteControl ? mute(state_.inputMutes[0], setup, data)
                                       : volume(state_.inputVolume, state_.inputRange, setup, data);
  case devicetable::kPyxisInput2Unit:
    return mute(state_.inputMutes[1], setup, data);
  case devicetable::kPyxisInput3Unit:
    return mute(state_.inputMutes[2], setup, data);
  case devicetable::kPyxisOutputUnit:
    return setup.value == kMuteControl ? mute(state_.outputMute, setup, data)
                                       : volume(state_.outputVolume, state_.outputRange, setup, data);
  default:
    return false;
  }
}

bool PyxisController::selector(const kernel::UsbSetupPacket& setup, std::span<std::uint8_t> data) {
  if (setup.value != 0 || setup.length != 1) {
    return false;
  }
  if (setup.request == kernel::kUacSetCur) {
    if (data[0] < 1 || data[0] > 3) {
      return false;
    }
    state_.selector = data[0];
    return true;
  }
  if (setup.request != kernel::kUacGetCur) {
    return false;
  }
  data[0] = state_.selector;
  return true;
}

bool PyxisController::mute(bool& muted, const kernel::UsbSetupPacket& setup, std::span<std::uint8_t> data) {
  if (setup.value != kMuteControl || setup.length != 1) {
    return false;
  }
  if (setup.request == kernel::kUacSetCur) {
    muted = data[0] != 0;
    return true;
  }
  if (setup.request != kernel::kUacGetCur) {
    return false;
  }
  data[0] = muted ? 1 : 0;
  return true;
}

bool PyxisController::volume(std::array<std::int16_t, 2>& volume, const VolumeRange& range,
                             const kernel::UsbSetupPacket& setup, std::span<std::uint8_t> data) {
  if ((setup.value & 0xFF00) != kVolumeControl) {
    return false;
  }
  const std::uint8_t channel = setup.value & 0xFF;
  std::size_t first = 0;
  std::size_t count = 2;
  if (channel == 1 || channel == 2) {
    first = channel - 1u;
    count = 1;
  } else if (channel != kAllChannels) {
    return false;
  }
  if (setup.length != 2 * count) {
    return false;
  }
  for (std::size_t c = 0; c < count; ++c) {
    std::int16_t& current = volume[first + c];
    switch (setup.request) {
    case kernel::kUacSetCur:
      current = std::clamp(wordAt(data, 2 * c), range.minimum, range.maximum);
      break;
    case kernel::kUacGetCur:
      putWord(data, 2 * c, current);
      break;
    case kernel::kUacGetMin:
      putWord(data, 2 * c, range.minimum);
      break;
    case kernel::kUacGetMax:
      putWord(data, 2 * c, range.maximum);
      break;
    default:
      putWord(data, 2 * c, range.resolution);
      break;
    }
  }
  return true;
}

} // namespace devsim
