// Broadcasts through the emulated window system.
#include <winapi/include/emu/user32_control.h>

#include "notify.h"

namespace devsim {

bool broadcastDeviceChange(WPARAM event, DWORD devnode) {
  if (devnode == 0) {
    return kxemu::broadcastDeviceChange(event, nullptr, 0);
  }
  const DEV_BROADCAST_DEVNODE record{sizeof(DEV_BROADCAST_DEVNODE), DBT_DEVTYP_DEVNODE, 0, devnode};
  return kxemu::broadcastDeviceChange(event, &record, sizeof record);
}

} // namespace devsim
