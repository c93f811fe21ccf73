#pragma once

/* A small C ABI to devsim for hosts and tools that load it by name (see devsim.h for what
   each call does). Results: 1 success, 0 failure, unless said otherwise. */
#include <devsim/include/devsim_export.h>

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#include <abi/kernel_access.h>

extern "C" {
/* The kernel-call table (abi/kernel_access.h); also on Linux, beside the emulated system. */
DEVSIM_API const kernel::KernelAccess* devsimKernelAccess(void);
#endif

/* The new device's id, 0 for an unknown profile. */
DEVSIM_API uint32_t devsim_plug(const char* profile);
DEVSIM_API int devsim_unplug(uint32_t id);
DEVSIM_API int devsim_replug(uint32_t id);
/* The ids of the known devices in plug order: the id at `index`, 0 past the end. */
DEVSIM_API uint32_t devsim_device_at(uint32_t index);
/* Copies the device's kernel-interface path; returns the size it needs with its terminator
   (0 for an unknown device). Nothing is copied when `size` is smaller. */
DEVSIM_API uint32_t devsim_device_path(uint32_t id, char* path, uint32_t size);
/* 1: stepped mode, 0: real time. */
DEVSIM_API int devsim_set_stepped(int stepped);
DEVSIM_API void devsim_advance(uint32_t ms);
/* Moves up to `size` bytes of what reached the device (or what it captured) into `buffer`;
   returns how many. Bytes that did not fit stay for the next call. */
DEVSIM_API size_t devsim_take_played(uint32_t id, void* buffer, size_t size);
DEVSIM_API size_t devsim_take_captured(uint32_t id, void* buffer, size_t size);
DEVSIM_API int devsim_fail_requests(uint32_t id, uint32_t code, uint32_t times, uint32_t error);
DEVSIM_API int devsim_stall(uint32_t id, uint32_t ms);
DEVSIM_API int devsim_add_lost_ms(uint32_t id, uint32_t ms);
DEVSIM_API int devsim_request_drop(uint32_t id, int32_t bytes);
DEVSIM_API int devsim_set_interface_version(uint32_t id, uint32_t version);
/* The Orin controller's register at `address`, -1 without an Orin controller. */
DEVSIM_API int devsim_orin_register(uint32_t id, uint32_t address);
DEVSIM_API int devsim_load_configuration(const char* path);
DEVSIM_API void devsim_reset(void);

#ifdef __cplusplus
}
#endif
