#pragma once

// Open files as kernel objects, and the in-process record of sharing modes (internal).
// Windows refuses an open whose access or sharing conflicts with the opens already there;
// the emulation checks that among the handles of this process (not across processes).
#include <winapi/emu/internal/handles.h>

#include <string>
#include <sys/types.h>

namespace kxemu {

constexpr DWORD kReadAccess = GENERIC_READ | GENERIC_ALL | FILE_READ_DATA;
constexpr DWORD kWriteAccess = GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA;

class FileObject : public KernelObject {
public:
  FileObject() : KernelObject(ObjectKind::File) {}
  ~FileObject() override;
  bool waitable() const override { return true; } // always signalled, as a file without I/O pending

  int fd = -1;
  DWORD access = 0;
  DWORD share = 0;
  bool directory = false;
  bool deleteOnClose = false;
  bool shareRegistered = false;
  dev_t device = 0;
  ino_t inode = 0;
  std::string host;
};

// Registers the open if it conflicts with none (false: a sharing violation).
bool registerShare(FileObject& file);
// Whether the file may be opened with this access and sharing now.
bool shareAllows(dev_t device, ino_t inode, DWORD access, DWORD share);
// Whether the file may be deleted or renamed now (every open shares delete).
bool deleteAllowed(dev_t device, ino_t inode);

// FILETIME (100 ns since 1601) from a host time.
FILETIME fileTimeOf(const struct timespec& t);

} // namespace kxemu
