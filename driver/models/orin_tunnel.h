#pragma once

#include <array>
#include <cstdint>

class UsbAudioDevice;

// The controller's two switch registers, at 0xE0 and 0xE1.
enum class OrinSwitch : std::uint8_t { Register0 = 0, Register1 = 1 };

// The command channel to the Orin controller, tunnelled through the mute and volume
// controls of one feature unit: a frame opens and closes with mute writes, and every
// command or data word travels as four volume writes to channels 1 and 2. The controller's
// switch registers cannot be read back, so the tunnel keeps their only record.
class OrinTunnel {
public:
  // The tunnel unit follows the device's family: unit 5 for family 1, else unit 4.
  explicit OrinTunnel(UsbAudioDevice& device);

  // One framed command without data.
  void sendCommand(std::uint8_t code);
  void writeRegister(std::uint8_t address, std::uint8_t value);
  // The switch register takes `bits` under `mask`; the whole shadowed byte is sent, so bits
  // set by other items stay.
  void writeSwitchBits(OrinSwitch which, std::uint8_t mask, std::uint8_t bits);
  void clearSwitchShadows() { switchRegister_ = {}; }

private:
  void sendFrameMark(std::uint8_t mark);
  void sendCommandWord(std::uint16_t word);
  void sendDataWord(std::uint16_t word);
  // A register or switch write: command, address and value, then the end of the command.
  void sendWrite(std::uint8_t command, std::uint8_t address, std::uint8_t value);
  void writeChannel(std::uint8_t channel, std::uint16_t word);
  // One SET_CUR to the tunnel unit, repeated while it fails, up to the retry limit.
  void send(std::uint16_t value, std::uint16_t length, std::uint8_t* data);

  UsbAudioDevice& device_;
  std::uint16_t index_;
  // The shadows of the switch registers at 0xE0 and 0xE1.
  std::array<std::uint32_t, 2> switchRegister_{};
};
