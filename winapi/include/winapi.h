#pragma once

// The Windows API the system calls. On Windows these are the system's own headers; on
// other systems the subset is declared here, with Windows type sizes and constant values,
// and implemented by the emulation in winapi/emu.
#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
// windows.h first: the other headers need its types (so no include sorting here).
// clang-format off
#include <windows.h>
#include <dbt.h>
#include <mmsystem.h>
#include <objbase.h>
#include <setupapi.h>
#include <winioctl.h>
// clang-format on
#else
#include <winapi/include/emu/advapi32.h>
#include <winapi/include/emu/kernel32.h>
#include <winapi/include/emu/ole32.h>
#include <winapi/include/emu/setupapi.h>
#include <winapi/include/emu/winioctl.h>
#include <winapi/include/emu/winmm.h>
#include <winapi/include/emu/user32.h>
#include <winapi/include/emu/wintypes.h>
#endif
