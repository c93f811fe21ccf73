// What the Orin model puts on the tunnel: frame marks and the four writes of each word, to the
// unit of the device's family, every request repeated while it fails, up to the limit.
#include "orin_fixture.h"

namespace {

using kxtest::kChannel1;
using kxtest::kChannel2;
using kxtest::kFrameMark;
using kxtest::TunnelWrites;

class OrinTunnelTest : public kxtest::OrinFixture {};

// Mark 1, command 10 (Freq 2), mark 0.
const TunnelWrites kFreqTwo = {{kFrameMark, 1},     {kChannel1, 0x0070}, {kChannel2, 0x0FFF},
                               {kChannel1, 0x00A0}, {kChannel2, 0x0FFF}, {kFrameMark, 0}};

TEST_F(OrinTunnelTest, FreqTwoIsOneFramedCommandWord) {
  open();
  forgetRequests();
  auto& model = this->model();
  model.settings().Freq = 2;
  model.applyItem(kOrinItemFreq, 0);
  EXPECT_EQ(tunnelWrites(), kFreqTwo);
  EXPECT_EQ(orin().freq, 2u);
}

TEST_F(OrinTunnelTest, RegisterWriteCarriesAddressAndValueInDataWords) {
  open();
  forgetRequests();
  auto& model = this->model();
  model.settings().Volume0 = 127;
  model.applyItem(kOrinItemVolume, 0);
  const TunnelWrites expected = {{kFrameMark, 1},
                                 // command 2
                                 {kChannel1, 0x0070},
                                 {kChannel2, 0x0FFF},
                                 {kChannel1, 0x0020},
                                 {kChannel2, 0x0FFF},
                                 // data 0xA4
                                 {kChannel1, 0x00F0},
                                 {kChannel2, 0x0FFF},
                                 {kChannel1, 0x0FFF},
                                 {kChannel2, 0x0A40},
                                 // data 127
                                 {kChannel1, 0x00F0},
                                 {kChannel2, 0x0FFF},
                                 {kChannel1, 0x0FFF},
                                 {kChannel2, 0x07F0},
                                 // command 0
                                 {kChannel1, 0x0070},
                                 {kChannel2, 0x0FFF},
                                 {kChannel1, 0x0000},
                                 {kChannel2, 0x0FFF},
                                 {kFrameMark, 0}};
  EXPECT_EQ(tunnelWrites(), expected);
  EXPECT_EQ(orin().registers[0xA4], 127);
}

TEST_F(OrinTunnelTest, TunnelUnitFollowsTheFamily) {
  struct Case {
    const char* profile;
    std::uint16_t index;
  };
  for (const Case c : {Case{"orin-unit4", 0x0400}, Case{"orin-unit5", 0x0500}}) {
    SCOPED_TRACE(c.profile);
    open(c.profile, c.index);
    forgetRequests();
    model().settings().Freq = 2;
    model().applyItem(kOrinItemFreq, 0);
    EXPECT_EQ(tunnelWrites(), kFreqTwo); // every request checked against the unit's index
    EXPECT_EQ(orin().freq, 2u);
    device_.reset();
    forgetKey("OrinSettings");
  }
}

// The first request of the frame fails `failures` times; failed attempts never reach the device.
TEST_F(OrinTunnelTest, FailedRequestsAreRepeatedUpToThreeHundredTimes) {
  struct Case {
    std::uint32_t failures;
    bool delivered;
  };
  for (const Case c : {Case{1, true}, Case{300, true}, Case{301, false}}) {
    SCOPED_TRACE(c.failures);
    open();
    forgetRequests();
    const std::size_t logged = orin().log.size();
    model().settings().Freq = 2;
    ASSERT_TRUE(devsim::failRequests(id_, kernel::kRequestClass, c.failures));
    model().applyItem(kOrinItemFreq, 0);
    const TunnelWrites received = tunnelWrites();
    if (c.delivered) {
      EXPECT_EQ(received, kFreqTwo);
      EXPECT_EQ(orin().freq, 2u);
      EXPECT_EQ(kxtest::asEvents(eventsFrom(logged)), std::vector<kxtest::Event>{kxtest::command(10)});
    } else {
      // The opening mark was given up; the rest went on, outside any frame.
      EXPECT_EQ(received, TunnelWrites(kFreqTwo.begin() + 1, kFreqTwo.end()));
      EXPECT_EQ(orin().freq, 1u);
      const auto events = eventsFrom(logged);
      EXPECT_FALSE(events.empty());
      for (const auto& event : events) {
        EXPECT_EQ(event.kind, devsim::OrinEvent::Kind::Error);
      }
    }
    device_.reset();
    forgetKey("OrinSettings");
  }
}

} // namespace
