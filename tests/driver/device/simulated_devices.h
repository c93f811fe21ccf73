#pragma once

// A fresh emulated system with the simulated kernel driver in stepped mode: nothing runs
// unless a test advances time.
#include <devsim/include/devsim.h>

#include <gtest/gtest.h>

#include <string>
#include <tests/support/fresh_system.h>

namespace kxtest {

class SimulatedDevices : public FreshSystem {
protected:
  void SetUp() override {
    FreshSystem::SetUp();
    devsim::reset();
    ASSERT_TRUE(devsim::setClockMode(devsim::ClockMode::Stepped));
  }
  void TearDown() override {
    devsim::reset();
    FreshSystem::TearDown();
  }

  static devsim::DeviceId plug(const std::string& profile) {
    const devsim::DeviceId id = devsim::plug(profile);
    EXPECT_NE(id, 0u) << profile;
    return id;
  }
  static std::string pathOf(devsim::DeviceId id) { return devsim::device(id)->devicePath; }
};

} // namespace kxtest
