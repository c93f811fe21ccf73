#include <abi/devices.h>
#include <abi/kernel.h>
#include <driver/device/usb_audio_device.h>
#include <driver/models/orin_tunnel.h>

namespace {

constexpr std::uint16_t kMuteMaster = 0x0100;
constexpr std::uint16_t kVolumeChannel = 0x0200;
constexpr std::uint8_t kChannelA = 1;
constexpr std::uint8_t kChannelB = 2;
constexpr std::uint16_t kCommandLead = 0x0070;
constexpr std::uint16_t kDataLead = 0x00F0;
constexpr std::uint16_t kFiller = 0x0FFF;
constexpr std::uint8_t kFrameOpen = 1;
constexpr std::uint8_t kFrameClose = 0;
constexpr std::uint8_t kRegisterWrite = 2;
constexpr std::uint8_t kSwitchWrite = 3;
constexpr std::uint8_t kEndOfCommand = 0;
constexpr std::uint8_t kFirstSwitchRegister = 0xE0;
// A lost request would leave the controller's word decoder out of step, so each one is
// repeated; the controller gives no other way to learn what arrived.
constexpr int kRetries = 300;

std::uint16_t tunnelIndex(const UsbAudioDevice& device) {
  const std::uint8_t unit =
      device.isFamily(1) ? devicetable::kOrinTunnelUnitFamily1 : devicetable::kOrinTunnelUnitFamily0;
  return static_cast<std::uint16_t>(unit << 8);
}

// Words carry their value in bits 4 and up.
std::uint16_t shifted(std::uint16_t value) { return static_cast<std::uint16_t>(value << 4); }

} // namespace

OrinTunnel::OrinTunnel(UsbAudioDevice& device) : device_(device), index_(tunnelIndex(device)) {}

void OrinTunnel::send(std::uint16_t value, std::uint16_t length, std::uint8_t* data) {
  for (int attempt = 0; attempt <= kRetries; ++attempt) {
    if (device_.classRequest(0, kernel::kUsbTypeClass, kernel::kUsbRecipientInterface, kernel::kUacSetCur,
                             value, index_, length, data)) {
      return;
    }
  }
}

void OrinTunnel::sendFrameMark(std::uint8_t mark) { send(kMuteMaster, 1, &mark); }

void OrinTunnel::writeChannel(std::uint8_t channel, std::uint16_t word) {
  std::uint8_t data[2] = {static_cast<std::uint8_t>(word & 0xFF), static_cast<std::uint8_t>(word >> 8)};
  send(static_cast<std::uint16_t>(kVolumeChannel + channel), sizeof data, data);
}

void OrinTunnel::sendCommandWord(std::uint16_t word) {
  writeChannel(kChannelA, kCommandLead);
  writeChannel(kChannelB, kFiller);
  writeChannel(kChannelA, shifted(word));
  writeChannel(kChannelB, kFiller);
}

void OrinTunnel::sendDataWord(std::uint16_t word) {
  writeChannel(kChannelA, kDataLead);
  writeChannel(kChannelB, kFiller);
  writeChannel(kChannelA, kFiller);
  writeChannel(kChannelB, shifted(word));
}

void OrinTunnel::sendCommand(std::uint8_t code) {
  sendFrameMark(kFrameOpen);
  sendCommandWord(code);
  sendFrameMark(kFrameClose);
}

void OrinTunnel::sendWrite(std::uint8_t command, std::uint8_t address, std::uint8_t value) {
  sendFrameMark(kFrameOpen);
  sendCommandWord(command);
  sendDataWord(address);
  sendDataWord(value);
  sendCommandWord(kEndOfCommand);
  sendFrameMark(kFrameClose);
}

void OrinTunnel::writeRegister(std::uint8_t address, std::uint8_t value) {
  sendWrite(kRegisterWrite, address, value);
}

void OrinTunnel::writeSwitchBits(OrinSwitch which, std::uint8_t mask, std::uint8_t bits) {
  const auto index = static_cast<std::uint8_t>(which);
  std::uint32_t& shadow = switchRegister_[index];
  shadow = (shadow & ~std::uint32_t{mask}) | bits;
  sendWrite(kSwitchWrite, static_cast<std::uint8_t>(kFirstSwitchRegister + index),
            static_cast<std::uint8_t>(shadow));
}
