#include "devsim_fixture.h"

#include <cctype>

namespace devsimtest {

void freshSimulator() {
  devsim::reset();
  ASSERT_TRUE(devsim::setClockMode(devsim::ClockMode::Stepped));
}

std::string plugPath(const std::string& profile, devsim::DeviceId* id) {
  const devsim::DeviceId plugged = devsim::plug(profile);
  EXPECT_NE(plugged, 0u) << profile;
  if (id) {
    *id = plugged;
  }
  const auto info = devsim::device(plugged);
  return info ? info->devicePath : std::string();
}

std::string BackendAndCaseName::identifier(std::string text) {
  for (char& c : text) {
    c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  }
  return text;
}

} // namespace devsimtest
