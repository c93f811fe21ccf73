// On Linux the configuration lies in the emulated system root.
#include "configuration.h"

#include <winapi/include/emu/kxemu.h>

namespace devsim {

std::string startConfigurationPath() { return kxemu::systemRoot() + "/devsim.conf"; }

} // namespace devsim
