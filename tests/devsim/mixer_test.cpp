// The mixer state: returned and accepted whole, with the restart flag as the device's
// policy says.
#include "support/devsim_fixture.h"

#include <cstring>
#include <memory>

using devsimtest::DevsimTest;
using devsimtest::OpenDevice;
using devsimtest::plugPath;

namespace {

class Mixer : public DevsimTest {
protected:
  void open(const char* profile) {
    device_ = std::make_unique<OpenDevice>(client(), plugPath(profile, &id_));
    ASSERT_TRUE(device_->isOpen());
  }
  void TearDown() override {
    device_.reset();
    DevsimTest::TearDown();
  }
  kernel::MixerState read() {
    kernel::MixerState state;
    std::memset(&state, 0xEE, sizeof state);
    EXPECT_TRUE(client().send(device_->streaming, kernel::kRequestReadMixerState, state).ok);
    return state;
  }
  // Writes with the restart flag cleared first, as the Controls page does; answers the flag.
  std::uint8_t write(kernel::MixerState state) {
    state.restartFlag = 0;
    EXPECT_TRUE(client().send(device_->streaming, kernel::kRequestWriteMixerState, state).ok);
    return state.restartFlag;
  }

  devsim::DeviceId id_ = 0;
  std::unique_ptr<OpenDevice> device_;
};

TEST_P(Mixer, TheProfilesStateComesBackWhole) {
  open("family4");
  const kernel::MixerState state = read();
  const auto kept = devsim::mixerState(id_);
  ASSERT_TRUE(kept);
  EXPECT_EQ(std::memcmp(&state, &*kept, sizeof state), 0);
  EXPECT_EQ(state.output.entryCount, 2);
  EXPECT_EQ(state.output.layout, 1);
  EXPECT_STREQ(state.output.entries[0].name, "Main");
  EXPECT_EQ(state.output.entries[1].channelCount, -1);
  EXPECT_EQ(state.input.chosenEntry, 1);
  EXPECT_EQ(state.syncSourceCount, 2);
  EXPECT_STREQ(state.syncSourceNames[1], "S/PDIF");
  EXPECT_EQ(state.inputMonitorPresent, 1);
  EXPECT_EQ(state.inputMonitorByHost, 1);
  EXPECT_EQ(state.reserved0[0], 0); // bytes nobody uses are zero, not leftovers
}

TEST_P(Mixer, AWrittenStateIsKeptWhole) {
  open("family4");
  kernel::MixerState state = read();
  state.output.entries[0].channels[1].current = -40;
  state.inputMonitorOn = 1;
  std::memcpy(state.reserved2, "\x12\x34", 2);
  EXPECT_EQ(write(state), 0);
  const kernel::MixerState back = read();
  EXPECT_EQ(std::memcmp(&back, &state, sizeof state), 0);
}

struct RestartCase {
  const char* name;
  devsim::MixerRestart policy;
  bool changeSync;
  std::uint8_t flag;
};

const RestartCase kRestartCases[] = {
    {"never", devsim::MixerRestart::Never, true, 0},
    {"always", devsim::MixerRestart::Always, false, 1},
    {"on sync change, changed", devsim::MixerRestart::OnSyncSourceChange, true, 1},
    {"on sync change, unchanged", devsim::MixerRestart::OnSyncSourceChange, false, 0},
};

TEST_P(Mixer, RestartFlagFollowsThePolicy) {
  open("mixer");
  for (const RestartCase& c : kRestartCases) {
    ASSERT_TRUE(devsim::setMixerRestart(id_, c.policy));
    kernel::MixerState state = read();
    if (c.changeSync) {
      state.chosenSyncSource = state.chosenSyncSource == 1 ? 2 : 1;
    }
    EXPECT_EQ(write(state), c.flag) << c.name;
    EXPECT_EQ(read().restartFlag, 0) << c.name; // the kept state has the flag clear
  }
}

TEST_P(Mixer, DamagedCountsAreReturnedAsTheyAre) {
  open("family4");
  ASSERT_TRUE(devsim::damageMixerState(id_, 9));
  const kernel::MixerState state = read();
  EXPECT_EQ(state.output.entryCount, 9);
  EXPECT_EQ(state.input.entryCount, 9);
  EXPECT_EQ(state.monitor.entryCount, 9);
  EXPECT_EQ(state.syncSourceCount, 9);
  EXPECT_EQ(state.monitor.entries[7].channelCount, 9);
  ASSERT_TRUE(devsim::damageMixerState(id_, -100000));
  EXPECT_EQ(read().input.entryCount, -100000);
  EXPECT_EQ(read().input.entries[0].channelCount, INT16_MIN);
  EXPECT_FALSE(devsim::damageMixerState(devsim::plug("generic"), 9)); // no mixer to damage
}

DEVSIM_ON_EVERY_BACKEND(Mixer);

} // namespace
