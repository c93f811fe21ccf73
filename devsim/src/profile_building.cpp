#include "profile_building.h"

#include <abi/kernel.h>
#include <abi/kernel_access.h>

#include <algorithm>

namespace devsim {
namespace {

constexpr std::uint8_t kOutEndpoint = 0x01;
constexpr std::uint8_t kInEndpoint = 0x82;

// The audio control streaming and every streaming streaming's setting 0 carry no format.
AlternateSettingDescriptor withoutFormat() { return {FormatDescriptor{0, 0, false, 0, 0, {}}, {}}; }

// One millisecond's frames at the highest rate, plus one frame for the rate's fraction.
std::uint16_t packetSize(const FormatDescriptor& format) {
  const std::uint32_t rate =
      format.continuous ? format.maxRate : *std::max_element(format.rates.begin(), format.rates.end());
  const std::uint32_t frames = (rate + 999) / 1000 + 1;
  return static_cast<std::uint16_t>(frames * format.channels * kernel::bytesPerSample(format.bits));
}

InterfaceDescriptor streamingInterface(const StreamingLayout& layout, std::uint8_t channels, bool in) {
  InterfaceDescriptor streaming;
  streaming.alternateSettings.push_back(withoutFormat()); // zero bandwidth
  for (std::uint8_t bits : layout.bits) {
    FormatDescriptor format{bits, channels, layout.continuous, 0, 0, {}};
    if (layout.continuous) {
      format.minRate = layout.rates.front();
      format.maxRate = layout.rates.back();
    } else {
      format.rates = layout.rates;
    }
    const EndpointDescriptor endpoint{in ? kInEndpoint : kOutEndpoint, packetSize(format)};
    streaming.alternateSettings.push_back({format, {endpoint}});
  }
  return streaming;
}

} // namespace

ConfigurationDescriptor streamingConfiguration(const StreamingLayout& layout) {
  ConfigurationDescriptor configuration;
  InterfaceDescriptor control;
  control.subclass = 1;
  control.alternateSettings.push_back(withoutFormat());
  configuration.interfaces.push_back(control);
  if (layout.outputChannels > 0) {
    configuration.interfaces.push_back(streamingInterface(layout, layout.outputChannels, false));
  }
  if (layout.inputChannels > 0) {
    configuration.interfaces.push_back(streamingInterface(layout, layout.inputChannels, true));
  }
  return configuration;
}

Profile streamingProfile(std::string name, std::string manufacturer, std::string product,
                         devicetable::UsbId id, const StreamingLayout& layout) {
  Profile profile;
  profile.name = std::move(name);
  profile.manufacturer = std::move(manufacturer);
  profile.product = std::move(product);
  profile.id = id;
  profile.configurations.push_back(streamingConfiguration(layout));
  const std::uint32_t bits = layout.bits.front();
  profile.format = {layout.rates.front(),
                    layout.inputChannels,
                    layout.inputChannels ? bits : 0,
                    layout.outputChannels,
                    layout.outputChannels ? bits : 0,
                    0};
  profile.interfaceClasses = {kernel::kInterfaceClass, kAudioInterfaceClass};
  profile.setupClass = kMediaSetupClass;
  return profile;
}

} // namespace devsim
