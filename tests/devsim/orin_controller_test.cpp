// The Orin controller behind its tunnel feature unit: the framed command protocol as the
// Orin model sends it, decoded into the register file, the switch registers and the log.
#include "support/class_requests.h"
#include "support/devsim_fixture.h"

#include <functional>
#include <memory>

using devsimtest::ClassReply;
using devsimtest::DevsimTest;
using devsimtest::kToDevice;
using devsimtest::kToHost;
using devsimtest::OpenDevice;
using devsimtest::OrinTunnel;
using devsimtest::plugPath;

namespace {

using Kind = devsim::OrinEvent::Kind;

class OrinController : public DevsimTest {
protected:
  void open(const char* profile, std::uint8_t unit) {
    devsim::DeviceId plugged = 0;
    device_ = std::make_unique<OpenDevice>(client(), plugPath(profile, &plugged));
    id_ = plugged;
    tunnel_ = std::make_unique<OrinTunnel>(device_->client, device_->control, unit);
  }
  void TearDown() override {
    tunnel_.reset();
    device_.reset();
    DevsimTest::TearDown();
  }
  devsim::OrinState state() const { return *devsim::orinState(id_); }
  // The (value, data) of every class request the device received.
  std::vector<std::pair<std::uint16_t, std::uint16_t>> sent() const {
    std::vector<std::pair<std::uint16_t, std::uint16_t>> requests;
    for (const auto& r : devsim::classRequests(id_)) {
      requests.emplace_back(r.setup.value, r.data.size() == 2 ? r.data[0] | r.data[1] << 8 : r.data.at(0));
    }
    return requests;
  }

  devsim::DeviceId id_ = 0;
  std::unique_ptr<OpenDevice> device_;
  std::unique_ptr<OrinTunnel> tunnel_;
};

TEST_P(OrinController, FrequencyCommandIsOneFramedCommandWord) {
  open("orin-unit4", 4);
  tunnel_->sendCommand(10); // Freq 2
  const std::vector<std::pair<std::uint16_t, std::uint16_t>> expected = {
      {0x0100, 1}, {0x0201, 0x0070}, {0x0202, 0x0FFF}, {0x0201, 0x00A0}, {0x0202, 0x0FFF}, {0x0100, 0}};
  EXPECT_EQ(sent(), expected);
  for (const auto& r : devsim::classRequests(id_)) {
    EXPECT_EQ(r.setup.requestType, kToDevice);
    EXPECT_EQ(r.setup.request, kernel::kUacSetCur);
    EXPECT_EQ(r.setup.index, 0x0400);
    EXPECT_TRUE(r.answered);
  }
  const auto orin = state();
  EXPECT_EQ(orin.freq, 2u);
  ASSERT_EQ(orin.log.size(), 1u);
  EXPECT_EQ(orin.log[0].kind, Kind::Command);
  EXPECT_EQ(orin.log[0].code, 10);
  EXPECT_FALSE(orin.frameOpen);
}

TEST_P(OrinController, SimpleCommandsSetFrequencyModeAndAutoFrequency) {
  open("orin-unit4", 4);
  tunnel_->sendCommand(8);
  tunnel_->sendCommand(12);
  tunnel_->sendCommand(14);
  auto orin = state();
  EXPECT_EQ(orin.freq, 0u);
  EXPECT_TRUE(orin.professionalMode);
  EXPECT_EQ(orin.autoFreq, 1u);
  tunnel_->sendCommand(11);
  tunnel_->sendCommand(13);
  orin = state();
  EXPECT_FALSE(orin.professionalMode);
  EXPECT_EQ(orin.autoFreq, 0u);
}

TEST_P(OrinController, RegisterWriteCarriesAddressAndValueInDataWords) {
  open("orin-unit4", 4);
  tunnel_->writeRegister(0xA4, 127);
  const auto requests = sent();
  ASSERT_EQ(requests.size(), 2u + 4 * 4);
  EXPECT_EQ(requests[8], (std::pair<std::uint16_t, std::uint16_t>{0x0202, 0x0A40}));  // address word
  EXPECT_EQ(requests[12], (std::pair<std::uint16_t, std::uint16_t>{0x0202, 0x07F0})); // value word
  const auto orin = state();
  EXPECT_EQ(orin.registers[0xA4], 127);
  ASSERT_EQ(orin.log.size(), 1u);
  EXPECT_EQ(orin.log[0].kind, Kind::RegisterWrite);
  EXPECT_EQ(orin.log[0].address, 0xA4);
  EXPECT_EQ(orin.log[0].value, 127);
}

TEST_P(OrinController, SwitchWritesSendTheWholeRegisterByte) {
  open("orin-unit5", 5);
  tunnel_->writeSwitchBits(1, 0x02, 0x02); // host control first
  tunnel_->writeSwitchBits(1, 0xA0, 0xA0); // ClockSrc 1
  tunnel_->writeSwitchBits(1, 0x11, 0x01); // InputSrcA 0
  tunnel_->writeSwitchBits(1, 0x0C, 0x08); // InputSrcD 1
  tunnel_->writeSwitchBits(0, 0x88, 0x88); // Outmix
  auto orin = state();
  EXPECT_EQ(orin.registers[0xE1], 0xAB);
  EXPECT_EQ(orin.registers[0xE0], 0x88);
  EXPECT_EQ(orin.log.back().kind, Kind::SwitchWrite);
  tunnel_->writeSwitchBits(1, 0x02, 0); // the model goes away
  orin = state();
  EXPECT_EQ(orin.registers[0xE1], 0xA9);
}

TEST_P(OrinController, OnlyTheFamilysTunnelUnitAnswers) {
  open("orin-unit5", 5);
  const ClassReply wrongUnit = devsimtest::classRequest(client(), device_->control, kToDevice,
                                                        kernel::kUacSetCur, 0x0100, 0x0400, {1});
  EXPECT_FALSE(wrongUnit.reply.ok);
  EXPECT_EQ(wrongUnit.reply.error, static_cast<DWORD>(ERROR_GEN_FAILURE));
  const ClassReply read =
      devsimtest::classRequest(client(), device_->control, kToHost, kernel::kUacGetCur, 0x0100, 0x0500, {0});
  EXPECT_FALSE(read.reply.ok); // the controller cannot be read back
  const ClassReply wide = devsimtest::classRequest(client(), device_->control, kToDevice, kernel::kUacSetCur,
                                                   0x0201, 0x0500, {0x70, 0, 0, 0});
  EXPECT_FALSE(wide.reply.ok);
  const ClassReply right = devsimtest::classRequest(client(), device_->control, kToDevice, kernel::kUacSetCur,
                                                    0x0100, 0x0500, {1});
  EXPECT_TRUE(right.reply.ok);
  EXPECT_TRUE(state().frameOpen);
}

struct ProtocolErrorCase {
  const char* name;
  std::function<void(OrinTunnel&)> send;
  const char* error;
};

const ProtocolErrorCase kProtocolErrors[] = {
    {"word outside a frame", [](OrinTunnel& t) { t.commandWord(9); }, "word outside a frame"},
    {"close without open", [](OrinTunnel& t) { t.mark(0); }, "frame closed without being opened"},
    {"unknown command", [](OrinTunnel& t) { t.sendCommand(7); }, "unknown command"},
    {"simple command with more words",
     [](OrinTunnel& t) {
       t.mark(1);
       t.commandWord(9);
       t.dataWord(1);
       t.mark(0);
     },
     "unknown command"},
    {"data word first",
     [](OrinTunnel& t) {
       t.mark(1);
       t.dataWord(9);
       t.mark(0);
     },
     "frame without a command"},
    {"register write without its end",
     [](OrinTunnel& t) {
       t.mark(1);
       t.commandWord(2);
       t.dataWord(0xA5);
       t.dataWord(1);
       t.mark(0);
     },
     "malformed register write"},
    {"register value beyond a byte", [](OrinTunnel& t) { t.writeRegister(0xA5, 0x100); },
     "malformed register write"},
    {"end word alone", [](OrinTunnel& t) { t.sendCommand(0); }, "unknown command"},
    {"word of unknown shape",
     [](OrinTunnel& t) {
       t.mark(1);
       t.channel(1, 0x0070);
       t.channel(2, 0x0123);
       t.channel(1, 0x0090);
       t.channel(2, 0x0FFF);
       t.mark(0);
     },
     "unknown word"},
    {"channels out of order",
     [](OrinTunnel& t) {
       t.mark(1);
       t.channel(2, 0x0FFF);
     },
     "word out of order"},
    {"closed within a word",
     [](OrinTunnel& t) {
       t.mark(1);
       t.channel(1, 0x0070);
       t.mark(0);
     },
     "frame closed within a word"},
    {"frame abandoned",
     [](OrinTunnel& t) {
       t.mark(1);
       t.commandWord(9);
       t.mark(1);
     },
     "frame abandoned"},
    {"unknown mark", [](OrinTunnel& t) { t.mark(2); }, "unknown frame mark"},
};

TEST_P(OrinController, ProtocolErrorsAreLoggedAndChangeNothing) {
  for (const ProtocolErrorCase& c : kProtocolErrors) {
    devsim::reset();
    ASSERT_TRUE(devsim::setClockMode(devsim::ClockMode::Stepped));
    open("orin-unit4", 4);
    c.send(*tunnel_);
    const auto orin = state();
    bool logged = false;
    for (const auto& event : orin.log) {
      logged = logged || (event.kind == Kind::Error && event.error == c.error);
    }
    EXPECT_TRUE(logged) << c.name;
    EXPECT_EQ(orin.freq, 0u) << c.name;
    EXPECT_EQ(orin.registers[0xA5], 0) << c.name;
  }
}

TEST_P(OrinController, SwitchWriteToAnotherAddressIsRefused) {
  open("orin-unit4", 4);
  tunnel_->mark(1);
  tunnel_->commandWord(3);
  tunnel_->dataWord(0xE2);
  tunnel_->dataWord(0x55);
  tunnel_->commandWord(0);
  tunnel_->mark(0);
  const auto orin = state();
  EXPECT_EQ(orin.registers[0xE2], 0);
  ASSERT_FALSE(orin.log.empty());
  EXPECT_EQ(orin.log.back().error, "no such switch register");
}

TEST_P(OrinController, AFrameAfterAnErrorIsDecodedAgain) {
  open("orin-unit4", 4);
  tunnel_->mark(1);
  tunnel_->channel(1, 0x0070); // a word cut short by a lost request
  tunnel_->channel(1, 0x0070); // the next word starts: the decoder finds its step
  tunnel_->channel(2, 0x0FFF);
  tunnel_->channel(1, 0x0090);
  tunnel_->channel(2, 0x0FFF);
  tunnel_->mark(0);
  EXPECT_EQ(state().freq, 1u);
  tunnel_->writeRegister(0xA6, 100);
  EXPECT_EQ(state().registers[0xA6], 100);
}

TEST_P(OrinController, ARetriedRequestArrivesOnce) {
  open("orin-unit4", 4);
  ASSERT_TRUE(devsim::failRequests(id_, kernel::kRequestClass, 3));
  tunnel_->writeRegister(0xA7, 42);
  const auto orin = state();
  EXPECT_EQ(orin.registers[0xA7], 42);
  ASSERT_EQ(orin.log.size(), 1u);
  EXPECT_EQ(orin.log[0].kind, Kind::RegisterWrite);
  EXPECT_EQ(devsim::classRequests(id_).size(), 18u); // the failed attempts never reached the device
}

DEVSIM_ON_EVERY_BACKEND(OrinController);

} // namespace
