#include "descriptor_image.h"

#include <algorithm>
#include <cstring>

namespace devsim {
namespace {

// Profiles beyond the image's slots are cut to what fits; the counts say what was kept.
template <typename Descriptor>
std::size_t fitting(const std::vector<Descriptor>& descriptors, std::size_t slots) {
  return std::min(descriptors.size(), slots);
}

void encodeFormat(const FormatDescriptor& descriptor, kernel::FormatSlot& slot) {
  slot.bitResolution = descriptor.bits;
  slot.channels = descriptor.channels;
  slot.continuous = descriptor.continuous ? 1 : 0;
  slot.minRate = descriptor.minRate;
  slot.maxRate = descriptor.maxRate;
  const std::size_t rates = fitting(descriptor.rates, kernel::kMaxDiscreteRates);
  slot.discreteRateCount = static_cast<std::uint8_t>(rates);
  std::copy_n(descriptor.rates.begin(), rates, slot.discreteRates);
}

void encodeAlternateSetting(const AlternateSettingDescriptor& descriptor, std::size_t number,
                            kernel::AlternateSettingSlot& slot) {
  slot.alternateSetting = static_cast<std::uint8_t>(number);
  encodeFormat(descriptor.format, slot.format);
  const std::size_t endpoints = fitting(descriptor.endpoints, kernel::kMaxEndpoints);
  slot.endpointCount = static_cast<std::uint8_t>(endpoints);
  for (std::size_t e = 0; e < endpoints; ++e) {
    slot.endpoints[e].address = descriptor.endpoints[e].address;
    slot.endpoints[e].attributes = 0x05; // isochronous, asynchronous
    slot.endpoints[e].maxPacketSize = descriptor.endpoints[e].maxPacketSize;
  }
}

} // namespace

std::unique_ptr<kernel::DeviceDescriptorBlock> buildDescriptorImage(const Profile& profile) {
  auto image = std::make_unique<kernel::DeviceDescriptorBlock>();
  std::memset(image.get(), 0, sizeof *image);
  image->idVendor = profile.id.vendor;
  image->idProduct = profile.id.product;
  const std::size_t configurations = fitting(profile.configurations, kernel::kMaxConfigurations);
  image->configurationCount = static_cast<std::uint8_t>(configurations);
  for (std::size_t c = 0; c < configurations; ++c) {
    const ConfigurationDescriptor& configuration = profile.configurations[c];
    kernel::ConfigurationSlot& slot = image->configurations[c];
    slot.configurationValue = static_cast<std::uint8_t>(c + 1);
    const std::size_t interfaces = fitting(configuration.interfaces, kernel::kMaxInterfaces);
    slot.interfaceCount = static_cast<std::uint8_t>(interfaces);
    for (std::size_t i = 0; i < interfaces; ++i) {
      const InterfaceDescriptor& usbInterface = configuration.interfaces[i];
      kernel::InterfaceSlot& interfaceSlot = slot.interfaces[i];
      interfaceSlot.interfaceNumber = static_cast<std::uint8_t>(i);
      interfaceSlot.interfaceSubclass = usbInterface.subclass;
      const std::size_t alternates = fitting(usbInterface.alternateSettings, kernel::kMaxAlternateSettings);
      interfaceSlot.alternateSettingCount = static_cast<std::uint8_t>(alternates);
      for (std::size_t a = 0; a < alternates; ++a) {
        encodeAlternateSetting(usbInterface.alternateSettings[a], a, interfaceSlot.alternateSettings[a]);
      }
    }
  }
  return image;
}

void damageCounts(kernel::DeviceDescriptorBlock& image, std::uint8_t count) {
  image.configurationCount = count;
  for (auto& configuration : image.configurations) {
    configuration.interfaceCount = count;
    for (auto& usbInterface : configuration.interfaces) {
      usbInterface.alternateSettingCount = count;
      for (auto& alternate : usbInterface.alternateSettings) {
        alternate.endpointCount = count;
        alternate.format.discreteRateCount = count;
      }
    }
  }
}

void forEachAlternateSetting(const kernel::DeviceDescriptorBlock& image, std::uint32_t configuration,
                             const std::function<void(const kernel::AlternateSettingSlot&)>& visit) {
  const std::size_t configurations =
      std::min<std::size_t>(image.configurationCount, kernel::kMaxConfigurations);
  if (configuration >= configurations) {
    return;
  }
  const kernel::ConfigurationSlot& slot = image.configurations[configuration];
  const std::size_t interfaces = std::min<std::size_t>(slot.interfaceCount, kernel::kMaxInterfaces);
  for (std::size_t i = 0; i < interfaces; ++i) {
    const kernel::InterfaceSlot& usbInterface = slot.interfaces[i];
    const std::size_t alternates =
        std::min<std::size_t>(usbInterface.alternateSettingCount, kernel::kMaxAlternateSettings);
    for (std::size_t a = 0; a < alternates; ++a) {
      visit(usbInterface.alternateSettings[a]);
    }
  }
}

} // namespace devsim
