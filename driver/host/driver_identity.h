#pragma once

#include <winapi/include/winapi.h>

#include <cstdint>

// Who the driver is to COM, to ASIO hosts and to the registry.
// {5C3E8A21-7D4B-4F19-A6C2-3B8E9D0F1A64}
inline constexpr CLSID kDriverClassId = {
    0x5C3E8A21, 0x7D4B, 0x4F19, {0xA6, 0xC2, 0x3B, 0x8E, 0x9D, 0x0F, 0x1A, 0x64}};

inline constexpr const char* kModuleFileName = "corvanta.dll";
inline constexpr const char* kDriverName = "Corvanta ASIO driver";
inline constexpr const char* kDriverDescription = "Corvanta ASIO driver";
inline constexpr const char* kThreadingModel = "Apartment";
inline constexpr std::int32_t kDriverVersion = 3217;
inline constexpr const char* kSettingsPath = "SOFTWARE\\ASIO\\Corvanta ASIO driver\\Settings";
