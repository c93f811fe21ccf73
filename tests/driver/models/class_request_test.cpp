// The device's class requests report what happened: a refused or failed request, or an answer
// that did not come back whole, is a failure.
#include "model_fixture.h"

#include <functional>

namespace {

class ClassRequestTest : public kxtest::ModelFixture {};

TEST_F(ClassRequestTest, ResultSaysWhetherTheRequestSucceeded) {
  struct Case {
    const char* name;
    std::function<void(devsim::DeviceId)> fault;
    bool toHost;
    std::uint8_t sent; // the selector to set
    bool succeeds;
  };
  const auto none = [](devsim::DeviceId) {};
  const auto fail = [](devsim::DeviceId id) { devsim::failRequests(id, kernel::kRequestClass, 1); };
  const auto headerOnly = [](devsim::DeviceId id) {
    devsim::shortenReplies(id, kernel::kRequestClass, 1, 8);
  };
  const Case cases[] = {
      {"get", none, true, 0, true},
      {"get failed", fail, true, 0, false},
      {"get answered with the header only", headerOnly, true, 0, false},
      {"set", none, false, 2, true},
      {"set failed", fail, false, 2, false},
      {"set refused by the device", none, false, 7, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto device = openDevice("pyxis-1");
    c.fault(id_);
    std::uint8_t data = c.toHost ? 0x55 : c.sent;
    const bool ok = device->classRequest(
        c.toHost ? kernel::kUsbDirectionIn : 0, kernel::kUsbTypeClass, kernel::kUsbRecipientInterface,
        c.toHost ? kernel::kUacGetCur : kernel::kUacSetCur, 0, 12 << 8, 1, &data);
    EXPECT_EQ(ok, c.succeeds);
    if (c.toHost) {
      EXPECT_EQ(data, c.succeeds ? 1 : 0x55) << "a failed answer leaves the caller's bytes";
    }
  }
}

TEST_F(ClassRequestTest, ClosedDeviceSendsNothing) {
  const auto device = openDevice("pyxis-1");
  device->close(false);
  std::uint8_t data = 2;
  EXPECT_FALSE(device->classRequest(0, kernel::kUsbTypeClass, kernel::kUsbRecipientInterface,
                                    kernel::kUacSetCur, 0, 12 << 8, 1, &data));
  EXPECT_TRUE(newRequests().empty());
}

} // namespace
