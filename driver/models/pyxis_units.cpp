#include <abi/devices.h>
#include <abi/kernel.h>
#include <driver/device/usb_audio_device.h>
#include <driver/models/pyxis_settings.h>
#include <driver/models/pyxis_units.h>

namespace {

constexpr std::uint8_t kToDevice = 0;
constexpr std::uint16_t kSelectorControl = 0;
constexpr std::uint16_t kMuteMaster = 0x0100;
constexpr std::uint16_t kVolumeAllChannels = 0x02FF;

std::uint16_t wordAt(const std::uint8_t* data) { return static_cast<std::uint16_t>(data[0] | data[1] << 8); }

void putWord(std::uint8_t* data, std::uint16_t word) {
  data[0] = static_cast<std::uint8_t>(word & 0xFF);
  data[1] = static_cast<std::uint8_t>(word >> 8);
}

} // namespace

bool PyxisUnits::send(std::uint8_t direction, std::uint8_t request, std::uint8_t unit, std::uint16_t value,
                      std::uint16_t length, std::uint8_t* data) {
  return device_.classRequest(direction, kernel::kUsbTypeClass, kernel::kUsbRecipientInterface, request,
                              value, static_cast<std::uint16_t>(unit << 8), length, data);
}

bool PyxisUnits::setSelector(std::int32_t input) {
  auto data = static_cast<std::uint8_t>(input);
  return send(kToDevice, kernel::kUacSetCur, devicetable::kPyxisSelectorUnit, kSelectorControl, 1, &data);
}

std::int32_t PyxisUnits::selector() {
  std::uint8_t data = 0;
  send(kernel::kUsbDirectionIn, kernel::kUacGetCur, devicetable::kPyxisSelectorUnit, kSelectorControl, 1,
       &data);
  return data >= 1 && data <= kPyxisInputCount ? data : 1;
}

bool PyxisUnits::setMute(std::uint8_t unit, bool muted) {
  std::uint8_t data = muted ? 1 : 0;
  return send(kToDevice, kernel::kUacSetCur, unit, kMuteMaster, 1, &data);
}

bool PyxisUnits::muted(std::uint8_t unit) {
  std::uint8_t data = 0;
  return send(kernel::kUsbDirectionIn, kernel::kUacGetCur, unit, kMuteMaster, 1, &data) && data != 0;
}

bool PyxisUnits::setVolume(std::uint8_t unit, StereoWords volume) {
  std::uint8_t data[4];
  putWord(data, volume.left);
  putWord(data + 2, volume.right);
  return send(kToDevice, kernel::kUacSetCur, unit, kVolumeAllChannels, sizeof data, data);
}

std::optional<StereoWords> PyxisUnits::volume(std::uint8_t unit, std::uint8_t request) {
  std::uint8_t data[4] = {};
  if (!send(kernel::kUsbDirectionIn, request, unit, kVolumeAllChannels, sizeof data, data)) {
    return std::nullopt;
  }
  return StereoWords{wordAt(data), wordAt(data + 2)};
}
