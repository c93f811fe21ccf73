// The C ABI for hosts and tools.
#include <devsim/include/devsim_c.h>

#include "support/devsim_fixture.h"
#include "support/stream_harness.h"

#include <cstring>
#include <string>

namespace {

class CAbi : public devsimtest::DevsimTest {};

TEST_P(CAbi, PlugListAndUnplug) {
  const std::uint32_t first = devsim_plug("generic");
  const std::uint32_t second = devsim_plug("pyxis-3");
  EXPECT_EQ(devsim_plug("no-such-profile"), 0u);
  EXPECT_EQ(devsim_plug(nullptr), 0u);
  EXPECT_EQ(devsim_device_at(0), first);
  EXPECT_EQ(devsim_device_at(1), second);
  EXPECT_EQ(devsim_device_at(2), 0u);

  const std::uint32_t size = devsim_device_path(second, nullptr, 0);
  const std::string expected = devsim::device(second)->devicePath;
  ASSERT_EQ(size, expected.size() + 1);
  std::string path(size, 'x');
  EXPECT_EQ(devsim_device_path(second, path.data(), size - 1), size); // too small: nothing copied
  EXPECT_EQ(path[0], 'x');
  EXPECT_EQ(devsim_device_path(second, path.data(), size), size);
  EXPECT_STREQ(path.c_str(), expected.c_str());
  EXPECT_EQ(devsim_device_path(0x7777, nullptr, 0), 0u);

  EXPECT_EQ(devsim_unplug(first), 1);
  EXPECT_EQ(devsim_unplug(first), 0);
  EXPECT_EQ(client().enumerate().size(), 1u);
  EXPECT_EQ(devsim_replug(first), 1);
  EXPECT_EQ(client().enumerate().size(), 2u);
  devsim_reset();
  EXPECT_EQ(devsim_device_at(0), 0u);
}

TEST_P(CAbi, StepsTheStreamAndTakesWhatWasPlayedInParts) {
  const std::uint32_t id = devsim_plug("generic");
  ASSERT_EQ(devsim_set_stepped(1), 1);
  const devsimtest::OpenDevice device(client(), devsim::device(id)->devicePath);
  devsimtest::StreamHarness stream(device);
  ASSERT_TRUE(stream.start().ok);
  EXPECT_EQ(devsim_set_stepped(0), 0); // not while streaming
  const auto written = devsimtest::countingBytes(88 * 4);
  stream.writePlayback(written);
  devsim_advance(2);
  std::uint8_t part[100];
  ASSERT_EQ(devsim_take_played(id, part, sizeof part), sizeof part);
  EXPECT_EQ(std::memcmp(part, written.data(), sizeof part), 0);
  std::uint8_t rest[1000];
  ASSERT_EQ(devsim_take_played(id, rest, sizeof rest), written.size() - sizeof part);
  EXPECT_EQ(std::memcmp(rest, written.data() + sizeof part, written.size() - sizeof part), 0);
  EXPECT_EQ(devsim_take_captured(id, rest, sizeof rest), written.size());
  EXPECT_EQ(devsim_take_played(id, nullptr, 10), 0u);
}

TEST_P(CAbi, FaultsAndTheOrinRegisters) {
  const std::uint32_t orin = devsim_plug("orin-unit4");
  const std::uint32_t plain = devsim_plug("generic");
  EXPECT_EQ(devsim_orin_register(orin, 0xA4), 0);
  EXPECT_EQ(devsim_orin_register(orin, 256), -1);
  EXPECT_EQ(devsim_orin_register(plain, 0xA4), -1);
  EXPECT_EQ(devsim_set_interface_version(plain, 3218), 1);
  EXPECT_EQ(devsim_fail_requests(plain, kernel::kRequestInterfaceVersion, 1, ERROR_GEN_FAILURE), 1);
  const devsimtest::OpenDevice device(client(), devsim::device(plain)->devicePath);
  std::uint32_t version = 0;
  EXPECT_FALSE(client().send(device.control, kernel::kRequestInterfaceVersion, version).ok);
  ASSERT_TRUE(client().send(device.control, kernel::kRequestInterfaceVersion, version).ok);
  EXPECT_EQ(version, 3218u);
  EXPECT_EQ(devsim_stall(plain, 5), 0); // no stream to stall
  EXPECT_EQ(devsim_add_lost_ms(plain, 5), 0);
  EXPECT_EQ(devsim_request_drop(plain, 5), 0);
  EXPECT_EQ(devsim_load_configuration(nullptr), 0);
}

DEVSIM_ON_EVERY_BACKEND(CAbi);

} // namespace
