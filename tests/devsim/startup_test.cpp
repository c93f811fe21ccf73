// A process of its own: the devices the configuration lists are there from the first look,
// without anyone asking devsim for them.
#include <devsim/include/devsim.h>

#include "support/kernel_client.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#if !defined(_WIN32)
#include <winapi/include/emu/kxemu.h>
#endif

namespace {

std::filesystem::path configuration;

// Writes the configuration before anything in the process has touched devsim: into the
// emulated system root, or where KX_DEVSIM_CONF points on Windows.
class StartConfiguration : public ::testing::Environment {
public:
  void SetUp() override {
    const auto folder =
        std::filesystem::temp_directory_path() / ("devsim-startup-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(folder);
#if defined(_WIN32)
    configuration = folder / "devsim.conf";
    _putenv_s("KX_DEVSIM_CONF", configuration.string().c_str());
#else
    kxemu::setSystemRoot(folder.string());
    configuration = folder / "devsim.conf";
#endif
    std::ofstream(configuration) << "pyxis-1\nfamily3-4 version=3218\n";
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(configuration.parent_path(), ignored);
  }
};
[[maybe_unused]] const auto* const registered = ::testing::AddGlobalTestEnvironment(new StartConfiguration);

TEST(Startup, ConfiguredDevicesArePresentAtFirstLook) {
  for (const devsimtest::Backend& backend : devsimtest::backends()) {
    const auto found = devsimtest::KernelClient(*backend.access).enumerate();
    ASSERT_EQ(found.size(), 2u) << backend.name;
    EXPECT_EQ(devsim::device(found[0].devInst)->profile, "pyxis-1");
    EXPECT_EQ(devsim::device(found[1].devInst)->profile, "family3-4");
  }
  EXPECT_EQ(std::filesystem::path(devsim::configurationPath()), configuration);
}

} // namespace
