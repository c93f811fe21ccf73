#include "sample_mixer.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace devsim {
namespace {

void copyName(char* target, std::string_view name) {
  std::memcpy(target, name.data(), std::min(name.size(), kernel::kMixerNameSize - 1));
}

// channels -1 is one master control; volumes run from minimum to 0 and start at `current`.
void addEntry(kernel::MixerGroup& group, std::string_view name, std::int16_t channels, std::int16_t minimum,
              std::int16_t current) {
  kernel::MixerEntry& entry = group.entries[group.entryCount++];
  copyName(entry.name, name);
  entry.channelCount = channels;
  entry.hasMute = 1;
  entry.hasVolume = 1;
  const int controls = channels < 0 ? 1 : channels;
  for (int c = 0; c < controls; ++c) {
    entry.channels[c] = {minimum, current, 0};
  }
}

} // namespace

kernel::MixerState sampleMixerState() {
  kernel::MixerState state;
  std::memset(&state, 0, sizeof state);
  state.output.layout = 1;
  addEntry(state.output, "Main", 2, -96, -12);
  addEntry(state.output, "Phones", -1, -96, -20);
  state.input.layout = 0;
  state.input.chosenEntry = 1;
  addEntry(state.input, "Line", 2, -64, 0);
  addEntry(state.input, "Mic", 1, -64, -10);
  state.monitor.layout = 1;
  addEntry(state.monitor, "Direct", 2, -96, -96);
  state.syncSourceCount = 2;
  state.chosenSyncSource = 1;
  copyName(state.syncSourceNames[0], "Internal");
  copyName(state.syncSourceNames[1], "S/PDIF");
  state.inputMonitorPresent = 1;
  state.inputMonitorByHost = 1;
  return state;
}

} // namespace devsim
