#pragma once

// Control of the emulated Windows system (Linux only): which system root the process uses,
// the mapping between emulated and host paths, the recorded reboot, the debugger output
// and module names. Tools take `--root DIR` and pass it to setSystemRoot before anything else.
//
// The system root is a host directory holding
//   drive_c/          drive C: (WINDOWS, WINDOWS/System32, WINDOWS/System32/drivers,
//                     WINDOWS/inf, WINDOWS/Temp, Program Files), created on first use;
//   drive_<x>/        any further drive X: that exists;
//   registry.reg      the registry ("Windows Registry Editor Version 5.00", UTF-8 text);
//   registry.lock     the inter-process lock and change counter of the registry file;
//   reboot-request    present after a shutdown/restart call, with what was asked;
//   debug.log         OutputDebugStringA output when KX_DEBUG_OUTPUT=file.
// Drive Z: is the host's file system, read-only: programs and libraries outside the root
// can be named and loaded (Z:\home\me\build\corvanta.dll) but nothing there is changed.
#include <functional>
#include <string>

namespace kxemu {

// The root: an explicit choice, else $KX_SYSTEM_ROOT, else defaultSystemRoot(). Choosing
// another root later switches the whole process over (open files and keys stay as they are).
void setSystemRoot(const std::string& hostDirectory);
std::string systemRoot();        // the host directory, created with its tree on first use
std::string defaultSystemRoot(); // $XDG_STATE_HOME/corvanta/root or ~/.local/state/corvanta/root

// Path mapping. hostPath resolves an emulated path the way the file calls do (case-insensitive
// for the parts that exist); empty for device paths and paths that cannot be mapped.
std::string hostPath(const std::string& windowsPath);
std::string windowsPath(const std::string& hostPath);

// Shutdown and restart. ExitWindowsEx and InitiateSystemShutdownA only record a request;
// simulateReboot applies the file operations queued with MOVEFILE_DELAY_UNTIL_REBOOT
// (registry value PendingFileRenameOperations), clears them and the request, and returns
// how many operations it carried out.
bool rebootRequested();
std::string rebootRequestText(); // e.g. "ExitWindowsEx flags=0x2", empty when none
int simulateReboot();

// OutputDebugStringA: each text also goes to this handler (null removes it). Independent of
// it, KX_DEBUG_OUTPUT=stderr (or 1) copies the texts to stderr, =file to debug.log in the root.
using DebugOutputHandler = std::function<void(const std::string&)>;
void setDebugOutputHandler(DebugOutputHandler handler);

// Module names: a loaded ELF object is known by its Windows file name, derived from the host
// file name: "corvanta.dll" stays, "libcorvanta.so[.N]" becomes "corvanta.dll", a program
// "setup" becomes "setup.exe". An alias gives a loaded object with the host base name
// hostFileName one more Windows name.
void addModuleAlias(const std::string& windowsName, const std::string& hostFileName);

} // namespace kxemu
