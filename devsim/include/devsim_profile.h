#pragma once

// A device profile: everything that makes one kind of simulated USB audio device — names and
// ids, the descriptor image, the format the device starts with, the interface version its
// kernel driver reports, its mixer and its family controller.
#include <abi/devices.h>
#include <abi/kernel.h>
#include <winapi/include/winapi.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace devsim {

struct EndpointDescriptor {
  std::uint8_t address; // bit 7 set: IN
  std::uint16_t maxPacketSize;
};

struct FormatDescriptor {
  std::uint8_t bits = 16;
  std::uint8_t channels = 2;
  bool continuous = false; // minRate..maxRate instead of the discrete rates
  std::uint32_t minRate = 0;
  std::uint32_t maxRate = 0;
  std::vector<std::uint32_t> rates; // discrete rates
};

struct AlternateSettingDescriptor {
  FormatDescriptor format;
  std::vector<EndpointDescriptor> endpoints;
};

struct InterfaceDescriptor {
  std::uint8_t subclass = 2; // 1 audio control, 2 audio streaming
  std::vector<AlternateSettingDescriptor> alternateSettings;
};

struct ConfigurationDescriptor {
  std::vector<InterfaceDescriptor> interfaces;
};

enum class Controller { None, Orin, Pyxis };

// When a mixer-state write answers with the restart flag (the host must reload the driver).
enum class MixerRestart { Never, Always, OnSyncSourceChange };

// What the device records while streaming: what it played (loopback), a counter over the
// interleaved samples (ramp: sample k of the stream holds k modulo 2^bits), a 1 kHz tone at
// half scale, or silence.
enum class CaptureSignal { Loopback, Ramp, Sine, Silence };

struct Profile {
  std::string name;
  std::string manufacturer;
  std::string product;
  devicetable::UsbId id{};
  std::vector<ConfigurationDescriptor> configurations;
  kernel::StreamFormat format{}; // current format when plugged in
  std::uint32_t transferMs = 2;
  std::uint32_t clockSource = 0;
  std::uint32_t clockSourceCount = 2; // 0 external, 1 internal
  std::uint32_t interfaceVersion = kernel::kInterfaceVersion;
  std::optional<kernel::MixerState> mixer; // none: the mixer requests fail
  MixerRestart mixerRestart = MixerRestart::Never;
  Controller controller = Controller::None;
  std::uint8_t orinTunnelUnit = 0; // the Orin controller's feature unit
  CaptureSignal captureSignal = CaptureSignal::Loopback;
  // Device-interface classes the device exposes; the kernel driver's requests are answered
  // only when kernel::kInterfaceClass is among them.
  std::vector<GUID> interfaceClasses;
  GUID setupClass{};
};

// Setup and interface classes of the built-in profiles.
inline constexpr GUID kMediaSetupClass = {
    0x4D36E96C, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
inline constexpr GUID kHidSetupClass = {
    0x745A17A0, 0x74D3, 0x11D0, {0xB6, 0xFE, 0x00, 0xA0, 0xC9, 0x0F, 0x57, 0xDA}};
inline constexpr GUID kHidInterfaceClass = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
inline constexpr GUID kAudioInterfaceClass = {
    0x6994AD04, 0x93EF, 0x11D0, {0xA3, 0xCC, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

} // namespace devsim
