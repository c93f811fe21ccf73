#pragma once

// Emulated path names and their host files (internal).
//
// An emulated path is normalised as Windows does (either slash, "." and "..", relative to
// the current directory, "\\?\C:\..." prefix) into a drive letter and parts, then mapped:
// drive C: (and any drive_<x> folder of the root) into the system root, Z: onto the host's
// "/" read-only. Each part that exists is matched ignoring case, so "c:\windows\SYSTEM32\x.dll"
// finds C:\WINDOWS\System32\X.DLL; the parts from the first missing one on are kept as given.
// A missing last part "name.exe" also finds a host program "name" (Linux programs have no
// extension). ANSI names are UTF-8 on the host.
#include <winapi/include/winapi.h>

#include <string>
#include <sys/stat.h>
#include <vector>

namespace kxemu {

struct ParsedPath {
  char drive = 'C';
  std::vector<std::string> parts; // ANSI
};

struct HostPath {
  std::string host;           // the host path (UTF-8)
  std::string windows;        // normalised emulated path, existing parts spelled as on disk
  bool exists = false;        // the whole path exists
  bool parentExists = false;  // every part but the last exists and is a folder
  bool isDirectory = false;   // exists and is a folder
  bool isDriveRoot = false;   // "C:\" itself
  bool readOnlyDrive = false; // Z:, the host file system
  struct stat status {};      // when it exists
};

// Parses and normalises; false with ERROR_PATH_NOT_FOUND, ERROR_INVALID_NAME or
// ERROR_BAD_NETPATH for paths the emulation cannot name (empty, UNC, devices).
bool parsePath(const char* path, ParsedPath& out, DWORD& error);
std::string formatPath(const ParsedPath& path);
bool mapPath(const char* path, HostPath& out, DWORD& error);
bool mapParsedPath(const ParsedPath& path, HostPath& out, DWORD& error);

// The emulated name of a host path: inside the root's drive folders "C:\...", else "Z:\...".
std::string windowsPathOfHost(const std::string& host);

// Whether a change to this path stays inside the system root (false for Z: and for paths
// whose existing part leads out of the root through a symbolic link).
bool writableHostPath(const HostPath& path);

// Characters Windows refuses in a file name part.
bool validFileName(const std::string& name);

std::string currentDirectory();
void setCurrentDirectoryPath(const std::string& normalised);

std::string joinHost(const std::string& directory, const std::string& name);
std::string parentHost(const std::string& host);

} // namespace kxemu
