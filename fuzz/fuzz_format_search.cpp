// The format search and the device's rate check over arbitrary descriptor images: whatever
// the image's counts claim, only the slots that exist are read, and a match is reported only
// for a setting that really streams the asked-for format. The input starts with a search
// (configuration, rate, bits, channels, flags) and the device's format report; the rest of it fills the
// image, repeated when the flags ask for it so that short inputs reach every configuration.
#include <abi/kernel.h>
#include <driver/device/format_search.h>

#include "fuzz_input.h"
#include "report_only_device.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>

namespace {

constexpr std::uint8_t kDiscreteOnly = 1;
constexpr std::uint8_t kWantOut = 2;
constexpr std::uint8_t kRepeatImage = 4;
constexpr std::uint8_t kNoReport = 8;
constexpr std::uint8_t kStandardRate = 16;
constexpr std::uint32_t kRates[] = {32000, 44100, 48000, 88200, 96000};

void fillImage(kernel::DeviceDescriptorBlock& image, const FuzzInput& input, bool repeat) {
  auto* bytes = reinterpret_cast<std::uint8_t*>(&image);
  const std::size_t size = std::min(input.restSize(), sizeof image);
  std::memcpy(bytes, input.rest(), size);
  std::memset(bytes + size, 0, sizeof image - size);
  for (std::size_t at = size; repeat && size > 0 && at < sizeof image; at += size) {
    std::memcpy(bytes + at, bytes, std::min(size, sizeof image - at));
  }
}

std::size_t limited(std::size_t count, std::size_t slots) { return std::min(count, slots); }

// A reported match names slots inside the counts and a setting whose format and endpoints
// fit the request.
bool isSound(const kernel::DeviceDescriptorBlock& image, const kernel::FormatMatch& match, std::uint32_t bits,
             std::uint32_t channels, bool wantOut) {
  if (match.found == 0) {
    return true;
  }
  if (match.configuration >= limited(image.configurationCount, kernel::kMaxConfigurations)) {
    return false;
  }
  const kernel::ConfigurationSlot& configuration = image.configurations[match.configuration];
  if (match.interfaceIndex >= limited(configuration.interfaceCount, kernel::kMaxInterfaces)) {
    return false;
  }
  const kernel::InterfaceSlot& interface = configuration.interfaces[match.interfaceIndex];
  if (match.alternateSetting >= limited(interface.alternateSettingCount, kernel::kMaxAlternateSettings)) {
    return false;
  }
  const kernel::AlternateSettingSlot& setting = interface.alternateSettings[match.alternateSetting];
  const kernel::EndpointSlot* endpoints = setting.endpoints;
  const bool endpoint = std::any_of(
      endpoints, endpoints + limited(setting.endpointCount, kernel::kMaxEndpoints),
      [wantOut](const kernel::EndpointSlot& e) {
        return e.maxPacketSize > 3 && ((e.address & kernel::kEndpointDirectionIn) == 0) == wantOut;
      });
  return setting.format.bitResolution == bits && setting.format.channels == channels && endpoint;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const auto device = std::make_unique<ReportOnlyDevice>();
  FuzzInput input(data, size);
  const std::uint32_t configuration = input.byte() % (kernel::kMaxConfigurations + 2);
  const std::uint32_t anyRate = input.word();
  const std::uint32_t bits = input.byte() % 2 == 0 ? input.byte() : input.word();
  const std::uint32_t channels = input.byte() % 2 == 0 ? input.byte() : input.word();
  const std::uint8_t flags = input.byte();
  const std::uint32_t rate = (flags & kStandardRate) != 0 ? kRates[anyRate % std::size(kRates)] : anyRate;
  kernel::FormatReport report{};
  input.fill(reinterpret_cast<std::uint8_t*>(&report), sizeof report);
  fillImage(device->image(), input, (flags & kRepeatImage) != 0);

  const bool wantOut = (flags & kWantOut) != 0;
  const kernel::FormatMatch match =
      findFormat(device->image(), configuration, rate, bits, channels, (flags & kDiscreteOnly) != 0, wantOut);
  if (!isSound(device->image(), match, bits, channels, wantOut) || match.rate != rate ||
      match.configuration != static_cast<std::uint16_t>(configuration)) {
    __builtin_trap();
  }

  if ((flags & kNoReport) != 0) {
    device->setReport(std::nullopt);
    if (device->canSampleRate(rate)) {
      __builtin_trap(); // without a format there is nothing to check a rate against
    }
    return 0;
  }
  device->setReport(report);
  if (device->canSampleRate(rate) && !isStandardRate(rate)) {
    __builtin_trap();
  }
  return 0;
}
