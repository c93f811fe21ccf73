#pragma once

// Device-change broadcasts to the process's top-level windows (WM_DEVICECHANGE): with a
// DEV_BROADCAST_DEVNODE record for a device node, or without a record for devnode 0. For a
// query event the answer is false when a window refused. No lock of devsim may be held.
#include <winapi/include/winapi.h>

namespace devsim {

bool broadcastDeviceChange(WPARAM event, DWORD devnode);

} // namespace devsim
