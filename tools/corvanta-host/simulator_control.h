#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The simulated kernel driver, for runs on a system without the hardware: devsim's C calls,
// linked in on Linux, loaded from devsim.dll on Windows (where the driver is also told,
// through KX_DEVSIM, to reach its devices through it).
class SimulatorControl {
public:
  SimulatorControl();
  // False with a reason when the simulator cannot be reached.
  bool available(std::string& why) const;
  // The new device's id, 0 for an unknown profile.
  std::uint32_t plug(const std::string& profile);
  // Real-time streaming (the default) or stepped.
  void setStepped(bool stepped);

  // What the simulated devices saw of their streams, where the simulator tells (Linux).
  struct DeviceStreamCounters {
    std::uint32_t device = 0;
    std::uint64_t periods = 0;
    std::uint64_t underrunBytes = 0;
    std::uint64_t overrunBytes = 0;
  };
  static std::vector<DeviceStreamCounters> streamCounters();

private:
  using PlugCall = std::uint32_t (*)(const char*);
  using SteppedCall = int (*)(int);
  PlugCall plug_ = nullptr;
  SteppedCall stepped_ = nullptr;
  std::string why_;
};
