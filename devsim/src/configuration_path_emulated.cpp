// On Linux the configuration lies in the emulated system root.
#include <winapi/include/emu/kxemu.h>

#include "configuration.h"

namespace devsim {

std::string startConfigurationPath() { return kxemu::systemRoot() + "/devsim.conf"; }

} // namespace devsim
