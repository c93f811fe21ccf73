#pragma once

#include "driver_list.h"

#include <cstdint>
#include <string>
#include <vector>

struct StreamOptions {
  double rate = 0;             // 0: the driver's current rate
  std::int32_t bufferSize = 0; // 0: the driver's preferred size
  std::int32_t inputs = -1;    // -1: every channel
  std::int32_t outputs = -1;
  double seconds = 5;
  std::int64_t switches = 0;   // when set, the run ends after this many switches
  std::string signal = "sine"; // or a WAV file to play
  std::string record;          // WAV file for the inputs
  bool outputReady = true;
  bool expectLoopback = false; // a mismatch on the loopback fails the run
  bool json = false;
};

// Streams through the driver as a host does and reports what happened. The exit status is 0
// for a run that went as asked, 2 when the driver refused, 3 when the loopback differed, and 4
// when it differed because the simulated device ran short (the machine did not keep up).
int runStream(const RegisteredDriver& entry, const StreamOptions& options);
