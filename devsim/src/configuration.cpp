#include "configuration.h"

#include <charconv>
#include <sstream>

namespace devsim {
namespace {

std::optional<CaptureSignal> signalNamed(const std::string& name) {
  if (name == "loopback") {
    return CaptureSignal::Loopback;
  }
  if (name == "ramp") {
    return CaptureSignal::Ramp;
  }
  if (name == "sine") {
    return CaptureSignal::Sine;
  }
  if (name == "silence") {
    return CaptureSignal::Silence;
  }
  return std::nullopt;
}

std::optional<std::uint32_t> numberIn(const std::string& text) {
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
    return std::nullopt;
  }
  return value;
}

// One "key=value" setting; false when it is not one of ours.
bool applySetting(const std::string& setting, ConfiguredDevice& device) {
  const auto equals = setting.find('=');
  const std::string key = setting.substr(0, equals);
  const std::string value = equals == std::string::npos ? std::string() : setting.substr(equals + 1);
  if (key == "version") {
    device.interfaceVersion = numberIn(value);
    return device.interfaceVersion.has_value();
  }
  if (key == "signal") {
    device.signal = signalNamed(value);
    return device.signal.has_value();
  }
  return false;
}

} // namespace

Configuration parseConfiguration(std::istream& text,
                                 const std::function<bool(const std::string&)>& knownProfile) {
  Configuration configuration;
  std::string line;
  for (int number = 1; std::getline(text, line); ++number) {
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    ConfiguredDevice device;
    if (!(words >> device.profile)) {
      continue;
    }
    const std::string where = "line " + std::to_string(number) + ": ";
    if (!knownProfile(device.profile)) {
      configuration.problems.push_back(where + "unknown profile " + device.profile);
      continue;
    }
    for (std::string setting; words >> setting;) {
      if (!applySetting(setting, device)) {
        configuration.problems.push_back(where + "unknown setting " + setting);
      }
    }
    configuration.devices.push_back(device);
  }
  return configuration;
}

} // namespace devsim
