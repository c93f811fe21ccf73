#pragma once

// Helpers shared by the Windows-API conformance tests. Everything here uses the Windows API
// only, so the tests run against the emulation and against Windows (Wine) alike.
#include <winapi/include/winapi.h>

#include <string>

namespace kxtest {

// A new empty folder below the system's temporary folder, without a trailing backslash.
std::string makeTempFolder();
// Deletes a folder with everything in it (read-only files included).
void removeTree(const std::string& folder);

// The registry key below which a test may write: HKCU\Software\CorvantaWinapiTests\<pid>-<n>.
std::string makeTestKeyPath();
void deleteKeyTree(HKEY root, const std::string& path);

// A process-unique name for named objects.
std::string uniqueName(const char* stem);

// Milliseconds from the performance counter.
double nowMs();

// True when the tests run on Wine rather than Windows or the emulation. Used only where
// Wine is known to differ from Windows (each use says how); Windows semantics are asserted.
bool runningUnderWine();

// Lower-case copy, for comparing Windows paths.
std::string lower(std::string text);

} // namespace kxtest
