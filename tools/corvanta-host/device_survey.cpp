#include "device_survey.h"

#include <driver/device/kernel_audio_device.h>
#include <driver/device/kernel_calls.h>
#include <driver/host/driver_identity.h>
#include <driver/host/registry_key.h>

#include <algorithm>
#include <vector>

namespace {

constexpr std::uint32_t kStandardRates[] = {32000, 44100, 48000, 88200, 96000};

std::vector<SurveyedFormat> formatsOf(const kernel::DeviceDescriptorBlock& block) {
  std::vector<SurveyedFormat> formats;
  const std::size_t configurations =
      std::min<std::size_t>(block.configurationCount, kernel::kMaxConfigurations);
  for (std::size_t c = 0; c < configurations; ++c) {
    const kernel::ConfigurationSlot& config = block.configurations[c];
    for (std::size_t i = 0; i < std::min<std::size_t>(config.interfaceCount, kernel::kMaxInterfaces); ++i) {
      const kernel::InterfaceSlot& slot = config.interfaces[i];
      for (std::size_t a = 0;
           a < std::min<std::size_t>(slot.alternateSettingCount, kernel::kMaxAlternateSettings); ++a) {
        const kernel::AlternateSettingSlot& setting = slot.alternateSettings[a];
        const std::size_t endpoints = std::min<std::size_t>(setting.endpointCount, kernel::kMaxEndpoints);
        if (endpoints == 0 || setting.format.channels == 0) {
          continue;
        }
        SurveyedFormat f;
        f.configuration = static_cast<std::uint32_t>(c);
        f.interfaceIndex = static_cast<std::uint32_t>(i);
        f.alternateSetting = static_cast<std::uint32_t>(a);
        f.output = (setting.endpoints[0].address & kernel::kEndpointDirectionIn) == 0;
        f.bits = setting.format.bitResolution;
        f.channels = setting.format.channels;
        f.continuous = setting.format.continuous != 0;
        f.minRate = setting.format.minRate;
        f.maxRate = setting.format.maxRate;
        const std::size_t rates =
            std::min<std::size_t>(setting.format.discreteRateCount, kernel::kMaxDiscreteRates);
        f.rates.assign(setting.format.discreteRates, setting.format.discreteRates + rates);
        formats.push_back(f);
      }
    }
  }
  return formats;
}

SurveyedDevice survey(const KxString& path, DWORD devInst, const KxRegistryKey& settings) {
  SurveyedDevice d;
  d.path = path.text();
  d.instance = devInst;
  KernelAudioDevice device(path, devInst);
  device.initialise(settings);
  d.open = device.isOpen();
  d.manufacturer = device.manufacturerName().text();
  d.product = device.productName().text();
  d.vendorId = device.descriptors().idVendor;
  d.productId = device.descriptors().idProduct;
  for (int family = 0; family < 5; ++family) {
    if (device.isFamily(family)) {
      d.family = family;
    }
  }
  kernel::FormatReport report{};
  d.hasFormat = device.getFormat(report);
  if (d.hasFormat) {
    d.rate = report.format.rate;
    d.inputChannels = report.format.inputChannels;
    d.inputBits = report.format.inputBits;
    d.outputChannels = report.format.outputChannels;
    d.outputBits = report.format.outputBits;
    d.configuration = report.format.configuration;
    d.transferMs = report.transferMs;
  }
  for (const std::uint32_t rate : kStandardRates) {
    if (device.canSampleRate(rate)) {
      d.supportedRates.push_back(rate);
    }
  }
  d.formats = formatsOf(device.descriptors());
  return d;
}

} // namespace

std::vector<SurveyedDevice> surveyDevices() {
  const KxRegistryKey settings{KxString(kSettingsPath)};
  std::vector<SurveyedDevice> devices;
  std::vector<char> path(4096);
  DWORD devInst = 0;
  DWORD required = 0;
  for (DWORD index = 0;
       kernelCalls().enumerateInterface(&kernel::kInterfaceClass, index, path.data(),
                                        static_cast<DWORD>(path.size()), &required, &devInst);
       ++index) {
    devices.push_back(survey(KxString(path.data()), devInst, settings));
  }
  return devices;
}
