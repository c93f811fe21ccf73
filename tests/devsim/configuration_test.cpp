// The configuration file of the devices present at start.
#include "support/devsim_fixture.h"

#include <filesystem>
#include <fstream>

using devsimtest::DevsimTest;

namespace {

class Configuration : public DevsimTest {
protected:
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove(file_, ignored);
    DevsimTest::TearDown();
  }
  std::string write(const std::string& text) {
    file_ = std::filesystem::temp_directory_path() /
            ("devsim-test-" + std::to_string(GetCurrentProcessId()) + ".conf");
    std::ofstream(file_) << text;
    return file_.string();
  }

  std::filesystem::path file_;
};

TEST_P(Configuration, PlugsTheListedDevicesWithTheirSettings) {
  const std::string path = write("# devices at start\n"
                                 "generic\n"
                                 "\n"
                                 "  orin-unit4   version=3216  # an old driver\n"
                                 "inputs-only signal=ramp\n"
                                 "no-such-profile\n"
                                 "generic colour=blue version=x\n");
  std::vector<std::string> problems;
  ASSERT_TRUE(devsim::loadConfiguration(path, &problems));
  const auto listed = devsim::devices();
  ASSERT_EQ(listed.size(), 4u);
  EXPECT_EQ(listed[0].profile, "generic");
  EXPECT_EQ(listed[1].profile, "orin-unit4");
  EXPECT_EQ(listed[2].profile, "inputs-only");
  EXPECT_EQ(listed[3].profile, "generic");
  const std::vector<std::string> expected = {"line 6: unknown profile no-such-profile",
                                             "line 7: unknown setting colour=blue",
                                             "line 7: unknown setting version=x"};
  EXPECT_EQ(problems, expected);

  const devsimtest::OpenDevice orin(client(), listed[1].devicePath);
  std::uint32_t version = 0;
  ASSERT_TRUE(client().send(orin.control, kernel::kRequestInterfaceVersion, version).ok);
  EXPECT_EQ(version, 3216u);
  EXPECT_EQ(client().enumerate().size(), 4u);
}

TEST_P(Configuration, AMissingFileIsReported) {
  EXPECT_FALSE(
      devsim::loadConfiguration((std::filesystem::temp_directory_path() / "devsim-none.conf").string()));
  EXPECT_FALSE(devsim::loadConfiguration(""));
  EXPECT_TRUE(devsim::devices().empty());
}

DEVSIM_ON_EVERY_BACKEND(Configuration);

} // namespace
