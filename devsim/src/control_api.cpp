// The C++ control API over the process's simulator.
#include <devsim/include/devsim.h>

#include "configuration.h"
#include "descriptor_image.h"
#include "simulator.h"

#include <algorithm>

namespace devsim {
namespace {

Simulator& simulator() { return Simulator::instance(); }

// Runs `action` on the device's state; false for an unknown or unplugged device.
bool onState(DeviceId id, const std::function<void(DeviceState&)>& action) {
  const auto device = simulator().find(id);
  return device && device->withState(action);
}

bool onEngine(DeviceId id, const std::function<bool(StreamEngine&)>& action) {
  const auto device = simulator().find(id);
  return device && action(device->engine());
}

bool onFaults(DeviceId id, const std::function<void(RequestFaults&)>& action) {
  const auto device = simulator().find(id);
  if (device) {
    device->withFaults(action);
  }
  return device != nullptr;
}

} // namespace

std::vector<std::string> profileNames() { return simulator().profileNames(); }
std::optional<Profile> findProfile(const std::string& name) { return simulator().findProfile(name); }
void defineProfile(const Profile& profile) { simulator().defineProfile(profile); }

DeviceId plug(const std::string& profileName) { return simulator().plug(profileName, true); }
bool unplug(DeviceId id) { return simulator().unplug(id); }
bool replug(DeviceId id) { return simulator().replug(id); }
bool requestRemoval(DeviceId id) { return simulator().requestRemoval(id); }

std::vector<DeviceInfo> devices() {
  std::vector<DeviceInfo> list;
  for (const auto& device : simulator().all()) {
    list.push_back(device->info());
  }
  return list;
}

std::optional<DeviceInfo> device(DeviceId id) {
  const auto found = simulator().find(id);
  return found ? std::optional<DeviceInfo>(found->info()) : std::nullopt;
}

bool setClockMode(ClockMode mode) { return simulator().setClockMode(mode); }
ClockMode clockMode() { return simulator().clockMode(); }
void advance(std::uint32_t ms) { simulator().advance(ms); }
void oversleep(std::uint32_t ms) { simulator().oversleep(ms); }

std::optional<StreamInfo> streamInfo(DeviceId id) {
  const auto found = simulator().find(id);
  return found ? std::optional<StreamInfo>(found->streamInfo()) : std::nullopt;
}

std::vector<std::uint8_t> takePlayed(DeviceId id) {
  const auto found = simulator().find(id);
  return found ? found->engine().takePlayed() : std::vector<std::uint8_t>{};
}

std::vector<std::uint8_t> takeCaptured(DeviceId id) {
  const auto found = simulator().find(id);
  return found ? found->engine().takeCaptured() : std::vector<std::uint8_t>{};
}

bool setCaptureSignal(DeviceId id, CaptureSignal signal) {
  return onState(id, [&](DeviceState& state) { state.signal = signal; }) &&
         onEngine(id, [&](StreamEngine& engine) {
           engine.setSignal(signal);
           return true;
         });
}

std::vector<ClassRequestRecord> classRequests(DeviceId id) {
  std::vector<ClassRequestRecord> records;
  onState(id, [&](DeviceState& state) { records = state.classRequests; });
  return records;
}

std::optional<OrinState> orinState(DeviceId id) {
  std::optional<OrinState> result;
  onState(id, [&](DeviceState& state) {
    if (state.orin) {
      result = state.orin->state();
    }
  });
  return result;
}

std::optional<PyxisState> pyxisState(DeviceId id) {
  std::optional<PyxisState> result;
  onState(id, [&](DeviceState& state) {
    if (state.pyxis) {
      result = state.pyxis->state();
    }
  });
  return result;
}

std::optional<kernel::MixerState> mixerState(DeviceId id) {
  std::optional<kernel::MixerState> result;
  onState(id, [&](DeviceState& state) { result = state.mixer; });
  return result;
}

bool setMixerRestart(DeviceId id, MixerRestart policy) {
  return onState(id, [&](DeviceState& state) { state.mixerRestart = policy; });
}

bool failRequests(DeviceId id, std::uint32_t code, std::uint32_t times, std::uint32_t error) {
  return onFaults(id, [&](RequestFaults& faults) { faults.add({code, times, error, std::nullopt}); });
}

bool shortenReplies(DeviceId id, std::uint32_t code, std::uint32_t times, std::uint32_t bytes) {
  return onFaults(id, [&](RequestFaults& faults) { faults.add({code, times, 0, bytes}); });
}

bool failOpens(DeviceId id, std::uint32_t times, std::uint32_t error) {
  return onFaults(id, [&](RequestFaults& faults) { faults.failOpens(times, error); });
}

bool stall(DeviceId id, std::uint32_t ms) {
  return onEngine(id, [&](StreamEngine& engine) { return engine.stall(ms); });
}

bool addLostMilliseconds(DeviceId id, std::uint32_t ms) {
  return onEngine(id, [&](StreamEngine& engine) { return engine.addLostMilliseconds(ms); });
}

bool requestDrop(DeviceId id, std::int32_t bytes) {
  return onEngine(id, [&](StreamEngine& engine) { return engine.requestDrop(bytes); });
}

bool clearDrop(DeviceId id) {
  return onEngine(id, [](StreamEngine& engine) { return engine.clearDrop(); });
}

bool setInterfaceVersion(DeviceId id, std::uint32_t version) {
  return onState(id, [&](DeviceState& state) { state.interfaceVersion = version; });
}

bool setDescriptorImage(DeviceId id, const kernel::DeviceDescriptorBlock& image) {
  return onState(id, [&](DeviceState& state) { *state.image = image; });
}

bool damageDescriptorImage(DeviceId id, std::uint8_t count) {
  return onState(id, [&](DeviceState& state) { damageCounts(*state.image, count); });
}

bool setMixerState(DeviceId id, const kernel::MixerState& mixer) {
  return onState(id, [&](DeviceState& state) { state.mixer = mixer; });
}

bool damageMixerState(DeviceId id, std::int32_t count) {
  bool hadMixer = false;
  const bool present = onState(id, [&](DeviceState& state) {
    if (!state.mixer) {
      return;
    }
    hadMixer = true;
    const auto channels = static_cast<std::int16_t>(std::clamp<std::int32_t>(count, INT16_MIN, INT16_MAX));
    for (kernel::MixerGroup* group : {&state.mixer->output, &state.mixer->input, &state.mixer->monitor}) {
      group->entryCount = count;
      for (kernel::MixerEntry& entry : group->entries) {
        entry.channelCount = channels;
      }
    }
    state.mixer->syncSourceCount = count;
  });
  return present && hadMixer;
}

void reset() { simulator().reset(); }

bool loadConfiguration(const std::string& path, std::vector<std::string>* problems) {
  return simulator().loadConfiguration(path, problems);
}

std::string configurationPath() { return startConfigurationPath(); }

} // namespace devsim
