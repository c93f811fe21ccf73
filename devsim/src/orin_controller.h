#pragma once

// The Orin mixer and clock controller behind its tunnel feature unit. It takes SET_CUR
// requests only: mute (value 0x0100, 1 byte) marks a frame, 1 opening and 0 closing it;
// volume writes to channels 1 and 2 (value 0x0201 / 0x0202, 2 bytes) carry the words of the
// frame (orin_words.h). Closing a frame runs its command:
//   [c]                               c = 8, 9, 10: Freq 0, 1, 2; 11, 12: professional mode
//                                     off, on; 13, 14: AutoFreq 0, 1
//   [2, address, value, 0]            register write
//   [3, 0xE0 + index, byte, 0]        switch register write (index 0 or 1)
// Anything else is logged as an error and changes nothing. Every other request stalls: the
// controller's registers cannot be read back.
#include <abi/kernel.h>
#include <devsim/include/devsim.h>

#include "orin_words.h"

#include <cstdint>
#include <span>
#include <vector>

namespace devsim {

class OrinController {
public:
  explicit OrinController(std::uint8_t tunnelUnit) : unit_(tunnelUnit) {}

  // False: the device stalls the request.
  bool request(const kernel::UsbSetupPacket& setup, std::span<const std::uint8_t> data);
  const OrinState& state() const { return state_; }

private:
  void mark(std::uint8_t value);
  void write(int channel, std::uint16_t value);
  void runFrame();
  bool runSimpleCommand(std::uint16_t code);
  void log(OrinEvent event);
  void error(std::string text);

  std::uint8_t unit_;
  OrinWordDecoder decoder_;
  std::vector<OrinWord> frame_;
  OrinState state_;
};

} // namespace devsim
