#pragma once

// The Pyxis units, standard USB Audio Class controls in interface 0 (wIndex = unit << 8):
//   unit 12, selector: value 0, 1 byte; SET_CUR takes 1..3 (else stalls), GET_CUR answers.
//   units 8, 10, 11, 2, mute: value 0x0100, 1 byte; SET_CUR (non-zero mutes), GET_CUR.
//   units 8 and 2, volume: value 0x02FF with 4 bytes (left, right) or 0x0201 / 0x0202 with
//   2 bytes (one channel), little-endian 1/256 dB words; SET_CUR clamps to the range,
//   GET_CUR, GET_MIN, GET_MAX and GET_RES answer.
// Everything else stalls.
#include <abi/kernel.h>
#include <devsim/include/devsim.h>

#include <cstdint>
#include <span>

namespace devsim {

class PyxisController {
public:
  PyxisController();

  // `data` holds the host's bytes, or receives the answer of a device-to-host request.
  // False: the device stalls the request.
  bool request(const kernel::UsbSetupPacket& setup, std::span<std::uint8_t> data);
  const PyxisState& state() const { return state_; }

private:
  bool selector(const kernel::UsbSetupPacket& setup, std::span<std::uint8_t> data);
  bool mute(bool& muted, const kernel::UsbSetupPacket& setup, std::span<std::uint8_t> data);
  bool volume(std::array<std::int16_t, 2>& volume, const VolumeRange& range,
              const kernel::UsbSetupPacket& setup, std::span<std::uint8_t> data);

  PyxisState state_;
};

} // namespace devsim
