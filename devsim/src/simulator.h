#pragma once

// The process's one simulated kernel driver: the known profiles, the device tree, the clock
// mode, and the ways in (enumeration and opening device paths). Its lock guards the profile
// and device lists only; devices have locks of their own, and broadcasts run with no lock.
#include <devsim/include/devsim.h>

#include "device.h"
#include "kernel_file.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace devsim {

struct InterfaceEntry {
  std::string devicePath;
  DWORD devInst = 0;
  GUID setupClass{};
  std::string instanceId;
  bool present = false;
};

class Simulator {
public:
  // Made on first use, which reads the start configuration; never destroyed, since device
  // handles and stream threads may outlive any destruction order.
  static Simulator& instance();

  std::vector<std::string> profileNames() const;
  std::optional<Profile> findProfile(const std::string& name) const;
  void defineProfile(const Profile& profile);

  DeviceId plug(const std::string& profileName, bool announced);
  bool unplug(DeviceId id);
  bool replug(DeviceId id);
  bool requestRemoval(DeviceId id);
  std::shared_ptr<Device> find(DeviceId id) const;
  std::vector<std::shared_ptr<Device>> all() const;

  std::vector<InterfaceEntry> interfaces(const GUID& interfaceClass, bool presentOnly) const;
  std::unique_ptr<KernelFile> open(const std::string& path, DWORD disposition, DWORD& error);

  bool setClockMode(ClockMode mode);
  ClockMode clockMode() const { return clock_.load(); }
  void advance(std::uint32_t ms);
  void oversleep(std::uint32_t ms);

  void reset();
  bool loadConfiguration(const std::string& path, std::vector<std::string>* problems);

private:
  Simulator();
  bool changePresence(DeviceId id, bool present);
  // The event with the device's node, then DBT_DEVNODES_CHANGED; with no lock held.
  static void announce(WPARAM event, DeviceId id);

  mutable std::mutex mutex_;
  std::vector<Profile> profiles_;
  std::vector<std::shared_ptr<Device>> devices_;
  std::atomic<ClockMode> clock_{ClockMode::RealTime};
  DeviceId nextId_ = 0x100;
  std::uint32_t nextSerial_ = 1;
};

} // namespace devsim
