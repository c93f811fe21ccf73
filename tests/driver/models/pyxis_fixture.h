#pragma once

// A Pyxis device opened without its model, the requests it received as comparable values,
// and the stored "PyxisSettings" values.
#include <driver/models/pyxis_control_model.h>

#include "model_fixture.h"

#include <memory>
#include <tuple>
#include <vector>

namespace kxtest {

// bmRequestType, bRequest, wValue, wIndex, the data sent or answered.
using Request =
    std::tuple<std::uint8_t, std::uint8_t, std::uint16_t, std::uint16_t, std::vector<std::uint8_t>>;

inline constexpr std::uint8_t kSet = 0x21;
inline constexpr std::uint8_t kGet = 0xA1;
inline constexpr std::uint16_t kSelector = 0;
inline constexpr std::uint16_t kMute = 0x0100;
inline constexpr std::uint16_t kVolume = 0x02FF;
inline constexpr std::uint16_t kSelectorUnit = 12 << 8;
inline constexpr std::uint16_t kInput1Unit = 8 << 8;
inline constexpr std::uint16_t kInput2Unit = 10 << 8;
inline constexpr std::uint16_t kInput3Unit = 11 << 8;
inline constexpr std::uint16_t kOutputUnit = 2 << 8;

inline constexpr const char* kPyxisKey = "PyxisSettings";
inline constexpr const char* kPyxisValueNames[] = {"InputSelector", "VolInL",   "VolInR",  "MuteIn_1",
                                                   "MuteIn_2",      "MuteIn_3", "VolOutL", "VolOutR",
                                                   "MuteOut",       "GangMode"};

class PyxisFixture : public ModelFixture {
protected:
  void SetUp() override {
    ModelFixture::SetUp();
    device_ = openDevice("pyxis-1");
  }
  void TearDown() override {
    model_.reset();
    device_.reset();
    ModelFixture::TearDown();
  }
  PyxisControlModel& makeModel() {
    model_ = std::make_unique<PyxisControlModel>(settings_, *device_);
    return *model_;
  }
  std::vector<Request> requests() {
    std::vector<Request> list;
    for (const auto& r : newRequests()) {
      EXPECT_TRUE(r.answered);
      list.emplace_back(r.setup.requestType, r.setup.request, r.setup.value, r.setup.index, r.data);
    }
    return list;
  }
  // Sets a control of the device behind the model's back.
  void setOnDevice(std::uint16_t value, std::uint16_t unit, std::vector<std::uint8_t> data) {
    ASSERT_TRUE(device_->classRequest(0, 0x20, 1, kernel::kUacSetCur, value, unit,
                                      static_cast<std::uint16_t>(data.size()), data.data()));
    forgetRequests();
  }
  devsim::PyxisState pyxis() const { return *devsim::pyxisState(id_); }

  std::unique_ptr<KernelAudioDevice> device_;
  std::unique_ptr<PyxisControlModel> model_;
};

} // namespace kxtest
