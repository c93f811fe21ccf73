#pragma once

// winioctl.h: the device I/O control request codes. DeviceIoControl itself is kernel32's.
#include <winapi/include/emu/wintypes.h>

#define FILE_DEVICE_UNKNOWN 0x00000022u
#define METHOD_BUFFERED 0u
#define METHOD_IN_DIRECT 1u
#define METHOD_OUT_DIRECT 2u
#define METHOD_NEITHER 3u
#define FILE_ANY_ACCESS 0u
#define FILE_SPECIAL_ACCESS FILE_ANY_ACCESS
#define FILE_READ_ACCESS 0x0001u
#define FILE_WRITE_ACCESS 0x0002u

// The request code: device type, access, function and transfer method packed as on Windows.
#define CTL_CODE(deviceType, function, method, access)                                                       \
  ((static_cast<DWORD>(deviceType) << 16) | (static_cast<DWORD>(access) << 14) |                             \
   (static_cast<DWORD>(function) << 2) | static_cast<DWORD>(method))
#define DEVICE_TYPE_FROM_CTL_CODE(code) ((static_cast<DWORD>(code) & 0xFFFF0000u) >> 16)
#define METHOD_FROM_CTL_CODE(code) (static_cast<DWORD>(code) & 3u)
