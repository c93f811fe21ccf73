#pragma once

#include <abi/kernel_access.h>

// The table through which the device layer reaches the kernel driver: the system's calls,
// or, on Windows with the simulation switched on, the simulated kernel driver's.
const kernel::KernelAccess& kernelCalls();

// The system's table (SetupAPI enumeration, CreateFileA, DeviceIoControl, CloseHandle).
const kernel::KernelAccess& systemKernelCalls();
