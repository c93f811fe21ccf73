#pragma once

// An opened Orin device with the model it created, what reached its tunnel (the value and
// word of every request, each checked to be a SET_CUR to the tunnel unit) and what the
// controller ran.
#include <driver/models/orin_control_model.h>

#include "model_fixture.h"

#include <algorithm>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

namespace kxtest {

using TunnelWrite = std::pair<std::uint16_t, std::uint16_t>; // value, byte or word
using TunnelWrites = std::vector<TunnelWrite>;

inline constexpr std::uint16_t kFrameMark = 0x0100;
inline constexpr std::uint16_t kChannel1 = 0x0201;
inline constexpr std::uint16_t kChannel2 = 0x0202;

class OrinFixture : public ModelFixture {
protected:
  // The model needs the device's family, which only a whole open reads.
  void open(const char* profile = "orin-unit4", std::uint16_t tunnelIndex = 0x0400) {
    tunnelIndex_ = tunnelIndex;
    device_ = initialiseDevice(profile);
    ASSERT_FALSE(device_->orinModel().expired());
  }
  void TearDown() override {
    device_.reset();
    ModelFixture::TearDown();
  }
  // The device keeps its model alive until it closes.
  OrinControlModel& model() { return *device_->orinModel().lock(); }
  // Closing deletes the model, which saves and clears the host-control flag.
  void deleteModel() { device_->close(false); }
  TunnelWrites tunnelWrites() {
    TunnelWrites writes;
    for (const auto& r : newRequests()) {
      EXPECT_EQ(r.setup.requestType, 0x21);
      EXPECT_EQ(r.setup.request, kernel::kUacSetCur);
      EXPECT_EQ(r.setup.index, tunnelIndex_);
      EXPECT_TRUE(r.answered);
      writes.emplace_back(r.setup.value, r.data.size() == 2
                                             ? static_cast<std::uint16_t>(r.data[0] | r.data[1] << 8)
                                             : static_cast<std::uint16_t>(r.data.at(0)));
    }
    return writes;
  }
  devsim::OrinState orin() const { return *devsim::orinState(id_); }
  // The controller's log from `first` on.
  std::vector<devsim::OrinEvent> eventsFrom(std::size_t first) const {
    const auto log = orin().log;
    return {log.begin() + static_cast<std::ptrdiff_t>(std::min(first, log.size())), log.end()};
  }

  std::unique_ptr<KernelAudioDevice> device_;
  std::uint16_t tunnelIndex_ = 0x0400;
};

// An event of the controller's log as one comparable value: kind, code, address, value.
using Event = std::tuple<devsim::OrinEvent::Kind, std::uint16_t, std::uint16_t, std::uint16_t>;

inline std::vector<Event> asEvents(const std::vector<devsim::OrinEvent>& log) {
  std::vector<Event> events;
  for (const auto& e : log) {
    events.emplace_back(e.kind, e.code, e.address, e.value);
  }
  return events;
}

inline Event command(std::uint16_t code) { return {devsim::OrinEvent::Kind::Command, code, 0, 0}; }
inline Event registerWrite(std::uint16_t address, std::uint16_t value) {
  return {devsim::OrinEvent::Kind::RegisterWrite, 2, address, value};
}
inline Event switchWrite(std::uint16_t address, std::uint16_t value) {
  return {devsim::OrinEvent::Kind::SwitchWrite, 3, address, value};
}

} // namespace kxtest
