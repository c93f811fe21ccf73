#include "simulator_control.h"

#include <winapi/include/winapi.h>

#if defined(_WIN32)
#include <cstdlib>
#else
#include <devsim/include/devsim.h>
#include <devsim/include/devsim_c.h>
#endif

SimulatorControl::SimulatorControl() {
#if defined(_WIN32)
  const HMODULE devsim = LoadLibraryA("devsim.dll");
  if (devsim == nullptr) {
    why_ = "devsim.dll was not found beside the program or on the search path";
    return;
  }
  plug_ = reinterpret_cast<PlugCall>(reinterpret_cast<void (*)()>(GetProcAddress(devsim, "devsim_plug")));
  stepped_ = reinterpret_cast<SteppedCall>(
      reinterpret_cast<void (*)()>(GetProcAddress(devsim, "devsim_set_stepped")));
  if (plug_ == nullptr || stepped_ == nullptr) {
    why_ = "devsim.dll lacks the control calls";
    return;
  }
  // The driver reads this when it first looks for devices.
  _putenv("KX_DEVSIM=1");
#else
  plug_ = &devsim_plug;
  stepped_ = &devsim_set_stepped;
#endif
}

bool SimulatorControl::available(std::string& why) const {
  why = why_;
  return plug_ != nullptr;
}

std::uint32_t SimulatorControl::plug(const std::string& profile) {
  return plug_ != nullptr ? plug_(profile.c_str()) : 0;
}

void SimulatorControl::setStepped(bool stepped) {
  if (stepped_ != nullptr) {
    stepped_(stepped ? 1 : 0);
  }
}

std::vector<SimulatorControl::DeviceStreamCounters> SimulatorControl::streamCounters() {
  std::vector<DeviceStreamCounters> counters;
#if !defined(_WIN32)
  for (const devsim::DeviceInfo& device : devsim::devices()) {
    if (const auto info = devsim::streamInfo(device.id); info && info->periods > 0) {
      counters.push_back({device.id, info->periods, info->underrunBytes, info->overrunBytes});
    }
  }
#endif
  return counters;
}
