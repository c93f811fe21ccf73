#pragma once

// The configuration file listing the devices present at start (format in devsim.h).
#include <devsim/include/devsim_profile.h>

#include <cstdint>
#include <functional>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace devsim {

struct ConfiguredDevice {
  std::string profile;
  std::optional<std::uint32_t> interfaceVersion;
  std::optional<CaptureSignal> signal;
};

struct Configuration {
  std::vector<ConfiguredDevice> devices;
  std::vector<std::string> problems; // "line N: ..." for each skipped line or setting
};

Configuration parseConfiguration(std::istream& text,
                                 const std::function<bool(const std::string&)>& knownProfile);

// Where the configuration is read at first use (devsim.h); empty when there is no such place.
std::string startConfigurationPath();

} // namespace devsim
