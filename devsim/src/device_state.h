#pragma once

// What one plugged-in device holds while it is connected: everything its requests read and
// change. It starts from the device's profile at every plug-in.
#include <abi/kernel.h>
#include <devsim/include/devsim.h>

#include "orin_controller.h"
#include "pyxis_controller.h"
#include "request_faults.h"
#include "stream_engine.h"

#include <memory>
#include <optional>
#include <vector>

namespace devsim {

struct DeviceState {
  explicit DeviceState(const Profile& profile);

  kernel::StreamFormat format{};
  std::uint32_t transferMs = 1;
  std::uint32_t clockSource = 0;
  std::uint32_t clockSourceCount = 0;
  std::uint32_t interfaceVersion = 0;
  bool mmeMode = false;
  std::optional<kernel::MixerState> mixer;
  MixerRestart mixerRestart = MixerRestart::Never;
  std::unique_ptr<kernel::DeviceDescriptorBlock> image;
  std::unique_ptr<OrinController> orin;
  std::unique_ptr<PyxisController> pyxis;
  CaptureSignal signal = CaptureSignal::Loopback;
  std::vector<ClassRequestRecord> classRequests;
  bool streamingOpen = false;
};

// What a request handler works on.
struct RequestTarget {
  const Profile& profile;
  DeviceState& state;
  StreamEngine& engine;
  ClockMode clock;
};

} // namespace devsim
