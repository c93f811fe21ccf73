#pragma once

// Building blocks of the built-in profiles: the usual layout of a USB audio function (an
// audio control interface, then one streaming interface per direction whose alternate
// setting 0 has no bandwidth and whose further settings carry one resolution each).
#include <devsim/include/devsim_profile.h>

#include <cstdint>
#include <string>
#include <vector>

namespace devsim {

struct StreamingLayout {
  std::uint8_t inputChannels = 2;
  std::uint8_t outputChannels = 2;
  std::vector<std::uint8_t> bits = {16, 24};
  std::vector<std::uint32_t> rates = {44100, 48000};
  bool continuous = false; // rates[0]..rates.back() as a continuous range
};

ConfigurationDescriptor streamingConfiguration(const StreamingLayout& layout);

// A profile exposing the kernel driver's interface class and the system's audio class, in
// the media setup class, streaming
// `layout` as its only configuration, starting at the layout's first rate and resolution.
Profile streamingProfile(std::string name, std::string manufacturer, std::string product,
                         devicetable::UsbId id, const StreamingLayout& layout);

} // namespace devsim
