#include <driver/device/format_search.h>

#include <algorithm>

namespace {

bool rateMatches(const kernel::FormatSlot& format, std::uint32_t rate, bool discreteOnly) {
  if (format.continuous != 0) {
    return !discreteOnly && format.minRate <= rate && rate <= format.maxRate;
  }
  const std::size_t count = std::min<std::size_t>(format.discreteRateCount, kernel::kMaxDiscreteRates);
  return std::find(format.discreteRates, format.discreteRates + count, rate) != format.discreteRates + count;
}

bool hasEndpoint(const kernel::AlternateSettingSlot& setting, bool wantOut) {
  const std::size_t count = std::min<std::size_t>(setting.endpointCount, kernel::kMaxEndpoints);
  for (std::size_t k = 0; k < count; ++k) {
    const kernel::EndpointSlot& endpoint = setting.endpoints[k];
    const bool isIn = (endpoint.address & kernel::kEndpointDirectionIn) != 0;
    if (endpoint.maxPacketSize > 3 && isIn != wantOut) {
      return true;
    }
  }
  return false;
}

} // namespace

kernel::FormatMatch findFormat(const kernel::DeviceDescriptorBlock& block, std::uint32_t configuration,
                               std::uint32_t rate, std::uint32_t bits, std::uint32_t channels,
                               bool discreteOnly, bool wantOut) {
  kernel::FormatMatch match{};
  match.configuration = static_cast<std::uint16_t>(configuration);
  match.rate = rate;
  match.bitResolution = static_cast<std::uint8_t>(bits);
  match.channels = static_cast<std::uint8_t>(channels);
  const std::size_t configurations =
      std::min<std::size_t>(block.configurationCount, kernel::kMaxConfigurations);
  if (configuration >= configurations) {
    return match;
  }
  const kernel::ConfigurationSlot& config = block.configurations[configuration];
  const std::size_t interfaces = std::min<std::size_t>(config.interfaceCount, kernel::kMaxInterfaces);
  for (std::size_t i = 0; i < interfaces; ++i) {
    const kernel::InterfaceSlot& slot = config.interfaces[i];
    const std::size_t settings =
        std::min<std::size_t>(slot.alternateSettingCount, kernel::kMaxAlternateSettings);
    for (std::size_t j = 0; j < settings; ++j) {
      match.interfaceIndex = static_cast<std::uint16_t>(i);
      match.alternateSetting = static_cast<std::uint16_t>(j);
      const kernel::AlternateSettingSlot& setting = slot.alternateSettings[j];
      if (setting.format.bitResolution != bits || setting.format.channels != channels) {
        continue;
      }
      if (rateMatches(setting.format, rate, discreteOnly) && hasEndpoint(setting, wantOut)) {
        match.found = 1;
        return match;
      }
    }
  }
  return match;
}

bool isStandardRate(std::uint32_t rate) {
  return rate == 32000 || rate == 44100 || rate == 48000 || rate == 88200 || rate == 96000;
}
