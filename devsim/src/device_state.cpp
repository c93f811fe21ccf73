#include "device_state.h"

#include "descriptor_image.h"
#include "format_rules.h"

namespace devsim {

DeviceState::DeviceState(const Profile& profile)
    : format(profile.format), transferMs(fittedTransferLength(profile.format, profile.transferMs)),
      clockSource(profile.clockSource), clockSourceCount(profile.clockSourceCount),
      interfaceVersion(profile.interfaceVersion), mixer(profile.mixer), mixerRestart(profile.mixerRestart),
      image(buildDescriptorImage(profile)), signal(profile.captureSignal) {
  if (profile.controller == Controller::Orin) {
    orin = std::make_unique<OrinController>(profile.orinTunnelUnit);
  } else if (profile.controller == Controller::Pyxis) {
    pyxis = std::make_unique<PyxisController>();
  }
}

} // namespace devsim
