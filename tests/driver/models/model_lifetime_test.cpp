// The device creates its family's model at the end of a successful open and deletes it, saving,
// when it closes or is destroyed; a page's weak reference then yields none.
#include <driver/models/orin_control_model.h>
#include <driver/models/pyxis_control_model.h>

#include "model_fixture.h"

namespace {

class ModelLifetimeTest : public kxtest::ModelFixture {
protected:
  bool hostControlFlag() const { return (devsim::orinState(id_)->registers[0xE1] & 0x02) != 0; }
};

TEST_F(ModelLifetimeTest, DeviceCreatesTheModelOfItsFamily) {
  struct Case {
    const char* profile;
    bool orin;
    bool pyxis;
  };
  const Case cases[] = {
      {"orin-unit4", true, false}, {"orin-unit5", true, false}, {"pyxis-1", false, true},
      {"pyxis-3", false, true},    {"generic", false, false},   {"family4", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.profile);
    const auto device = initialiseDevice(c.profile);
    EXPECT_EQ(device->orinModel().lock() != nullptr, c.orin);
    EXPECT_EQ(device->pyxisModel().lock() != nullptr, c.pyxis);
    EXPECT_EQ(newRequests().empty(), !c.orin && !c.pyxis) << "a model talks to its device at once";
    if (c.orin) {
      EXPECT_TRUE(hostControlFlag());
    }
  }
}

TEST_F(ModelLifetimeTest, ClosingDeletesTheModelAfterSavingAndClearingTheFlag) {
  const auto device = initialiseDevice("orin-unit4");
  const std::weak_ptr<OrinControlModel> held = device->orinModel();
  held.lock()->settings().Volume0 = 40;
  device->close(false);
  EXPECT_TRUE(held.expired());
  EXPECT_EQ(storedValue("OrinSettings", "Volume0"), 40);
  EXPECT_FALSE(hostControlFlag()) << "the farewell went out before the handles closed";
}

TEST_F(ModelLifetimeTest, FormatChangeKeepsTheModelAndDestructionDeletesIt) {
  auto device = initialiseDevice("pyxis-1");
  const std::weak_ptr<PyxisControlModel> held = device->pyxisModel();
  const PyxisControlModel* model = held.lock().get();
  device->close(true); // the streaming handle only, as a format change does
  EXPECT_EQ(held.lock().get(), model);
  ASSERT_TRUE(device->open());
  held.lock()->setGang(false);
  device.reset();
  EXPECT_TRUE(held.expired());
  EXPECT_EQ(storedValue("PyxisSettings", "GangMode"), 0);
}

TEST_F(ModelLifetimeTest, SecondInitialiseKeepsTheModel) {
  const auto device = initialiseDevice("orin-unit5");
  const OrinControlModel* model = device->orinModel().lock().get();
  forgetRequests();
  ASSERT_TRUE(device->initialise(settings_));
  EXPECT_EQ(device->orinModel().lock().get(), model);
  EXPECT_TRUE(newRequests().empty()) << "no second start of the controller";
}

// A device left closed by a refused interface version would save a state it never read.
TEST_F(ModelLifetimeTest, RefusedInterfaceVersionGetsNoModel) {
  for (const char* profile : {"orin-unit4", "pyxis-1"}) {
    SCOPED_TRACE(profile);
    const auto device = openDevice(profile);
    ASSERT_TRUE(devsim::setInterfaceVersion(id_, 3216));
    EXPECT_TRUE(device->initialise(settings_));
    EXPECT_FALSE(device->isOpen());
    EXPECT_TRUE(device->orinModel().expired());
    EXPECT_TRUE(device->pyxisModel().expired());
    EXPECT_TRUE(newRequests().empty());
  }
  EXPECT_EQ(storedValue("OrinSettings", "Volume0"), -1);
  EXPECT_EQ(storedValue("PyxisSettings", "InputSelector"), -1);
}

} // namespace
