#include "builtin_profiles.h"

#include "profile_building.h"
#include "sample_mixer.h"

namespace devsim {
namespace {

using devicetable::UsbId;

constexpr char kCorvanta[] = "Corvanta";
constexpr char kHalden[] = "Halden Audio";
constexpr UsbId kGenericId{0x4E11, 0x0001};

const StreamingLayout kStereo{2, 2, {16, 24}, {44100, 48000, 88200, 96000}, false};

Profile orin(const char* name, const char* product, UsbId id, std::uint8_t tunnelUnit) {
  Profile profile = streamingProfile(name, kCorvanta, product, id, kStereo);
  profile.controller = Controller::Orin;
  profile.orinTunnelUnit = tunnelUnit;
  return profile;
}

Profile pyxis(const char* name, const char* product, UsbId id) {
  Profile profile = streamingProfile(name, kCorvanta, product, id, kStereo);
  profile.controller = Controller::Pyxis;
  return profile;
}

Profile withMixer(Profile profile, MixerRestart restart) {
  profile.mixer = sampleMixerState();
  profile.mixerRestart = restart;
  return profile;
}

// Several configurations: stereo 16-bit, eight channels of 24 bits, and a continuous range.
Profile multiConfiguration() {
  Profile profile = streamingProfile("multi-config", "Devsim", "Devsim Multi Configuration", {0x4E11, 0x0005},
                                     {2, 2, {16}, {44100, 48000}, false});
  profile.configurations.push_back(streamingConfiguration({8, 8, {24}, {48000, 96000}, false}));
  profile.configurations.push_back(streamingConfiguration({2, 2, {16, 24}, {8000, 96000}, true}));
  return profile;
}

// A device of another class entirely: it has a path, but the audio driver's requests fail.
Profile otherClass() {
  Profile profile;
  profile.name = "other-class";
  profile.manufacturer = "Devsim";
  profile.product = "Devsim Keyboard";
  profile.id = {0x4E11, 0x00F0};
  profile.interfaceClasses = {kHidInterfaceClass};
  profile.setupClass = kHidSetupClass;
  return profile;
}

} // namespace

std::vector<Profile> builtinProfiles() {
  using namespace devicetable;
  const StreamingLayout eightOutputs{2, 8, {16, 24}, {44100, 48000}, false};
  return {
      streamingProfile("generic", "Devsim", "Devsim Generic 2x2", kGenericId, kStereo),
      streamingProfile("outputs-only", "Devsim", "Devsim Outputs", {0x4E11, 0x0002},
                       {0, 2, {16, 24}, {44100, 48000}}),
      streamingProfile("inputs-only", "Devsim", "Devsim Inputs", {0x4E11, 0x0003},
                       {2, 0, {16, 24}, {44100, 48000}}),
      streamingProfile("eight-channel", "Devsim", "Devsim Eight", {0x4E11, 0x0004},
                       {8, 8, {16, 24}, {44100, 48000, 96000}}),
      multiConfiguration(),
      withMixer(streamingProfile("mixer", "Devsim", "Devsim Mixer", {0x4E11, 0x0006}, kStereo),
                MixerRestart::OnSyncSourceChange),
      otherClass(),
      orin("orin-unit4", "Corvanta Orin", kFamily0[0], kOrinTunnelUnitFamily0),
      orin("orin-unit5", "Corvanta Orin II", kFamily1[0], kOrinTunnelUnitFamily1),
      pyxis("pyxis-1", "Corvanta Pyxis", kFamily2[0]),
      pyxis("pyxis-2", "Corvanta Pyxis S", kFamily2[1]),
      pyxis("pyxis-3", "Corvanta Pyxis D", kFamily2[2]),
      streamingProfile("family3-1", kHalden, "Halden UA-2", kFamily3[0], kStereo),
      streamingProfile("family3-2", kHalden, "Halden UA-2 Plus", kFamily3[1], kStereo),
      streamingProfile("family3-3", kHalden, "Halden UA-4", kFamily3[2], kStereo),
      streamingProfile("family3-4", kHalden, "Halden UA-8", kFamily3[3], eightOutputs),
      streamingProfile("family3-5", kHalden, "Halden UA-8 Plus", kFamily3[4], eightOutputs),
      withMixer(streamingProfile("family4", kCorvanta, "Corvanta Lyra", kFamily4[0], kStereo),
                MixerRestart::Never),
      streamingProfile("big-endian-24", kCorvanta, "Corvanta Vega BE", kBigEndian24[0],
                       {2, 2, {24}, {44100, 48000}}),
      streamingProfile("mixed-order-24", kCorvanta, "Corvanta Vega M", kMixedOrder24[0],
                       {1, 1, {24}, {96000, 48000}}),
      streamingProfile("renamed-1", "OEM Label", "USB Audio Device", kProductNameOverrides[0].id, kStereo),
      streamingProfile("renamed-2", "OEM Label", "USB Audio Device Pro", kProductNameOverrides[1].id,
                       kStereo),
  };
}

} // namespace devsim
