#include "simulator.h"

#include "builtin_profiles.h"
#include "configuration.h"
#include "notify.h"

#include <algorithm>
#include <fstream>

namespace devsim {

Simulator& Simulator::instance() {
  static Simulator* const simulator = [] {
    auto* made = new Simulator;
    std::vector<std::string> problems;
    made->loadConfiguration(startConfigurationPath(), &problems);
    for (const std::string& problem : problems) {
      OutputDebugStringA(("devsim: " + problem + "\n").c_str());
    }
    return made;
  }();
  return *simulator;
}

Simulator::Simulator() : profiles_(builtinProfiles()) {}

std::vector<std::string> Simulator::profileNames() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  for (const Profile& profile : profiles_) {
    names.push_back(profile.name);
  }
  return names;
}

std::optional<Profile> Simulator::findProfile(const std::string& name) const {
  std::lock_guard lock(mutex_);
  const auto found =
      std::find_if(profiles_.begin(), profiles_.end(), [&](const Profile& p) { return p.name == name; });
  return found == profiles_.end() ? std::nullopt : std::optional<Profile>(*found);
}

void Simulator::defineProfile(const Profile& profile) {
  std::lock_guard lock(mutex_);
  const auto found = std::find_if(profiles_.begin(), profiles_.end(),
                                  [&](const Profile& p) { return p.name == profile.name; });
  if (found == profiles_.end()) {
    profiles_.push_back(profile);
  } else {
    *found = profile;
  }
}

DeviceId Simulator::plug(const std::string& profileName, bool announced) {
  std::optional<Profile> profile = findProfile(profileName);
  if (!profile) {
    return 0;
  }
  std::shared_ptr<Device> device;
  {
    std::lock_guard lock(mutex_);
    device = std::make_shared<Device>(nextId_++, nextSerial_++, std::move(*profile), clock_);
    devices_.push_back(device);
  }
  device->connect();
  if (announced) {
    announce(DBT_DEVICEARRIVAL, device->id());
  }
  return device->id();
}

bool Simulator::unplug(DeviceId id) { return changePresence(id, false); }

bool Simulator::replug(DeviceId id) { return changePresence(id, true); }

bool Simulator::changePresence(DeviceId id, bool present) {
  const auto device = find(id);
  if (!device || device->present() == present) {
    return false;
  }
  if (present) {
    device->connect();
  } else {
    device->disconnect();
  }
  announce(present ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE, id);
  return true;
}

void Simulator::announce(WPARAM event, DeviceId id) {
  broadcastDeviceChange(event, id);
  broadcastDeviceChange(DBT_DEVNODES_CHANGED, 0);
}

bool Simulator::requestRemoval(DeviceId id) {
  const auto device = find(id);
  if (!device || !device->present()) {
    return false;
  }
  if (!broadcastDeviceChange(DBT_DEVICEQUERYREMOVE, id)) {
    broadcastDeviceChange(DBT_DEVICEQUERYREMOVEFAILED, id);
    return false;
  }
  return unplug(id);
}

std::shared_ptr<Device> Simulator::find(DeviceId id) const {
  std::lock_guard lock(mutex_);
  const auto found =
      std::find_if(devices_.begin(), devices_.end(), [id](const auto& d) { return d->id() == id; });
  return found == devices_.end() ? nullptr : *found;
}

std::vector<std::shared_ptr<Device>> Simulator::all() const {
  std::lock_guard lock(mutex_);
  return devices_;
}

std::vector<InterfaceEntry> Simulator::interfaces(const GUID& interfaceClass, bool presentOnly) const {
  std::vector<InterfaceEntry> entries;
  for (const auto& device : all()) {
    const bool present = device->present();
    const std::vector<GUID>& classes = device->profile().interfaceClasses;
    for (std::size_t i = 0; i < classes.size(); ++i) {
      if (classes[i] == interfaceClass && (present || !presentOnly)) {
        entries.push_back({device->identity().interfacePaths[i], device->id(), device->profile().setupClass,
                           device->identity().instanceId, present});
      }
    }
  }
  return entries;
}

std::unique_ptr<KernelFile> Simulator::open(const std::string& path, DWORD disposition, DWORD& error) {
  for (const auto& device : all()) {
    std::optional<kernel::Handle> kind;
    for (const std::string& interfacePath : device->identity().interfacePaths) {
      if (samePath(path, interfacePath)) {
        kind = kernel::Handle::Control;
      }
    }
    if (device->speaksKernelInterface() &&
        samePath(path, device->kernelPath() + kernel::kStreamingPathSuffix)) {
      kind = kernel::Handle::Streaming;
    }
    if (!kind) {
      continue;
    }
    if (disposition != OPEN_EXISTING) {
      error = ERROR_INVALID_PARAMETER;
      return nullptr;
    }
    return device->open(*kind, error);
  }
  error = ERROR_FILE_NOT_FOUND;
  return nullptr;
}

bool Simulator::setClockMode(ClockMode mode) {
  const auto devices = all();
  if (std::any_of(devices.begin(), devices.end(), [](const auto& d) { return d->engine().running(); })) {
    return false;
  }
  clock_ = mode;
  return true;
}

void Simulator::advance(std::uint32_t ms) {
  for (const auto& device : all()) {
    device->engine().advance(ms);
  }
}

void Simulator::oversleep(std::uint32_t ms) {
  for (const auto& device : all()) {
    device->engine().oversleep(ms);
  }
}

void Simulator::reset() {
  std::vector<std::shared_ptr<Device>> forgotten;
  {
    std::lock_guard lock(mutex_);
    forgotten.swap(devices_);
    profiles_ = builtinProfiles();
  }
  for (const auto& device : forgotten) {
    device->disconnect();
  }
  clock_ = ClockMode::RealTime;
}

bool Simulator::loadConfiguration(const std::string& path, std::vector<std::string>* problems) {
  std::ifstream file(path);
  if (path.empty() || !file) {
    return false;
  }
  const Configuration configuration =
      parseConfiguration(file, [this](const std::string& name) { return findProfile(name).has_value(); });
  for (const ConfiguredDevice& configured : configuration.devices) {
    const auto device = find(plug(configured.profile, false));
    if (!device) {
      continue;
    }
    device->withState([&](DeviceState& state) {
      state.interfaceVersion = configured.interfaceVersion.value_or(state.interfaceVersion);
      state.signal = configured.signal.value_or(state.signal);
    });
  }
  if (problems) {
    *problems = configuration.problems;
  }
  return true;
}

} // namespace devsim
