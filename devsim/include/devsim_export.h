#pragma once

// DEVSIM_API marks what the devsim library exports: its control API and, on Windows, the
// kernel-call table. Everything else stays inside the library.
#if defined(_WIN32)
#if defined(DEVSIM_BUILDING)
#define DEVSIM_API __declspec(dllexport)
#else
#define DEVSIM_API __declspec(dllimport)
#endif
#else
#define DEVSIM_API __attribute__((visibility("default")))
#endif
