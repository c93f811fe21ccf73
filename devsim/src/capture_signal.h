#pragma once

// What a simulated device records during one transfer period (see CaptureSignal). Loopback
// takes capture channel c from playback channel c modulo the output channels; a sample of
// another width keeps its most significant bytes (little-endian samples), one of the same
// width is copied byte for byte, so a big-endian device loops back unchanged.
#include <abi/kernel.h>
#include <devsim/include/devsim_profile.h>

#include <cstdint>

namespace devsim {

// `played` holds the period's playback frames (or is null without outputs); `firstFrame`
// counts the stream's capture frames before this period.
void generateCapture(CaptureSignal signal, const kernel::StreamFormat& format, std::uint64_t firstFrame,
                     std::uint32_t frames, const std::uint8_t* played, std::uint8_t* target);

} // namespace devsim
