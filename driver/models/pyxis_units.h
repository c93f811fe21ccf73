#pragma once

#include <cstdint>
#include <optional>

class UsbAudioDevice;

// A stereo pair of USB Audio Class volume words (1/256 dB).
struct StereoWords {
  std::uint16_t left = 0;
  std::uint16_t right = 0;
};

// The standard USB Audio Class units of a Pyxis device, all in interface 0: the input
// selector, the mutes and the stereo volumes, through the device's class requests.
class PyxisUnits {
public:
  explicit PyxisUnits(UsbAudioDevice& device) : device_(device) {}

  bool setSelector(std::int32_t input);
  // The selected input; 1 when the request fails or the answer is not an input.
  std::int32_t selector();
  bool setMute(std::uint8_t unit, bool muted);
  // Whether the unit is muted; false when the request fails.
  bool muted(std::uint8_t unit);
  bool setVolume(std::uint8_t unit, StereoWords volume);
  // GET_CUR, GET_MIN, GET_MAX or GET_RES of both channels; none when the request fails.
  std::optional<StereoWords> volume(std::uint8_t unit, std::uint8_t request);

private:
  bool send(std::uint8_t direction, std::uint8_t request, std::uint8_t unit, std::uint16_t value,
            std::uint16_t length, std::uint8_t* data);

  UsbAudioDevice& device_;
};
