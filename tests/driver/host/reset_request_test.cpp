// Which hosts are asked to reset the driver and when the user is told to restart instead.
// The emulation records message boxes; on Windows they would wait for a click.
#include <winapi/include/emu/user32_control.h>

#include "make_driver.h"

#include <gtest/gtest.h>

#include <tests/support/fresh_system.h>
#include <vector>

namespace {

using kxtest::makeDriver;

std::int32_t resetAnswer = 0;
std::vector<std::int32_t> selectorsAsked;

void noSwitch(std::int32_t, ASIOBool) {}
std::int32_t answeringHost(std::int32_t selector, std::int32_t, void*, double*) {
  selectorsAsked.push_back(selector);
  return resetAnswer;
}

class ResetRequest : public kxtest::FreshSystem {
protected:
  void SetUp() override {
    FreshSystem::SetUp();
    kxemu::resetMessageBoxes();
    selectorsAsked.clear();
  }
};

TEST_F(ResetRequest, HostAnswers) {
  struct Case {
    bool withMessageCallback;
    std::int32_t answer;
    bool userTold;
  };
  const Case cases[] = {{true, 1, false}, {true, 0, true}, {false, 0, true}};
  for (const auto& c : cases) {
    kxemu::resetMessageBoxes();
    selectorsAsked.clear();
    resetAnswer = c.answer;
    ASIOCallbacks callbacks{&noSwitch, nullptr, c.withMessageCallback ? &answeringHost : nullptr, nullptr};
    const auto driver = makeDriver();
    driver->init(nullptr);
    ASIOBufferInfo info{ASIOFalse, 0, {}};
    ASSERT_EQ(driver->createBuffers(&info, 1, 256, &callbacks), ASE_OK);
    driver->requestReset();
    EXPECT_EQ(selectorsAsked, c.withMessageCallback ? std::vector<std::int32_t>{kAsioResetRequest}
                                                    : std::vector<std::int32_t>{});
    const auto boxes = kxemu::messageBoxRecords();
    ASSERT_EQ(boxes.size(), c.userTold ? 1u : 0u) << c.answer;
    if (c.userTold) {
      EXPECT_EQ(boxes[0].text, "You must restart the application to activate the changes.");
      EXPECT_EQ(boxes[0].caption, "ASIO Driver");
      EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONERROR);
      EXPECT_EQ(boxes[0].owner, nullptr);
    }
  }
}

TEST_F(ResetRequest, WithoutBuffersTheUserIsTold) {
  const auto driver = makeDriver();
  driver->requestReset();
  EXPECT_EQ(kxemu::messageBoxRecords().size(), 1u);
}

} // namespace
