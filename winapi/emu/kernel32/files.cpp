// Files: CreateFileA, ReadFile, WriteFile, file pointer and size, and the sharing record.
#include <winapi/emu/internal/devices.h>
#include <winapi/emu/internal/errors.h>
#include <winapi/emu/internal/files.h>
#include <winapi/emu/internal/paths.h>

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace kxemu {
namespace {

std::mutex& shareMutex() {
  static auto* m = new std::mutex;
  return *m;
}
std::multimap<std::pair<dev_t, ino_t>, FileObject*>& shares() {
  static auto* table = new std::multimap<std::pair<dev_t, ino_t>, FileObject*>;
  return *table;
}

bool conflicts(const FileObject& existing, DWORD access, DWORD share) {
  const bool reads = access & kReadAccess;
  const bool writes = access & kWriteAccess;
  const bool deletes = access & DELETE;
  if ((reads && !(existing.share & FILE_SHARE_READ)) || (writes && !(existing.share & FILE_SHARE_WRITE)) ||
      (deletes && !(existing.share & FILE_SHARE_DELETE))) {
    return true;
  }
  return ((existing.access & kReadAccess) && !(share & FILE_SHARE_READ)) ||
         ((existing.access & kWriteAccess) && !(share & FILE_SHARE_WRITE)) ||
         ((existing.access & DELETE) && !(share & FILE_SHARE_DELETE));
}

bool shareAllowsLocked(dev_t device, ino_t inode, DWORD access, DWORD share) {
  auto range = shares().equal_range({device, inode});
  for (auto it = range.first; it != range.second; ++it) {
    if (conflicts(*it->second, access, share)) {
      return false;
    }
  }
  return true;
}

std::shared_ptr<FileObject> fileOf(HANDLE handle) {
  return lookupHandle<FileObject>(handle, ObjectKind::File);
}

bool readAll(int fd, void* buffer, DWORD size, DWORD& done) {
  done = 0;
  auto* p = static_cast<char*>(buffer);
  while (done < size) {
    const ssize_t n = ::read(fd, p + done, size - done);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    if (n == 0) {
      break;
    }
    done += static_cast<DWORD>(n);
  }
  return true;
}

bool writeAll(int fd, const void* buffer, DWORD size, DWORD& done) {
  done = 0;
  const auto* p = static_cast<const char*>(buffer);
  while (done < size) {
    const ssize_t n = ::write(fd, p + done, size - done);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    done += static_cast<DWORD>(n);
  }
  return true;
}

// ReadFile/WriteFile with an OVERLAPPED on a synchronous handle: the I/O happens at its offset.
bool seekOverlapped(const FileObject& file, LPOVERLAPPED overlapped) {
  if (!overlapped) {
    return true;
  }
  const off_t offset =
      static_cast<off_t>((static_cast<ULONGLONG>(overlapped->OffsetHigh) << 32) | overlapped->Offset);
  return ::lseek(file.fd, offset, SEEK_SET) >= 0;
}

void completeOverlapped(LPOVERLAPPED overlapped, DWORD done, DWORD error) {
  if (overlapped) {
    overlapped->Internal = error;
    overlapped->InternalHigh = done;
    if (overlapped->hEvent) {
      SetEvent(overlapped->hEvent);
    }
  }
}

} // namespace

FileObject::~FileObject() {
  if (shareRegistered) {
    std::lock_guard lock(shareMutex());
    auto range = shares().equal_range({device, inode});
    for (auto it = range.first; it != range.second; ++it) {
      if (it->second == this) {
        shares().erase(it);
        break;
      }
    }
  }
  if (deleteOnClose && !host.empty()) {
    ::unlink(host.c_str());
  }
  if (fd >= 0) {
    ::close(fd);
  }
}

bool registerShare(FileObject& file) {
  std::lock_guard lock(shareMutex());
  if (!shareAllowsLocked(file.device, file.inode, file.access, file.share)) {
    return false;
  }
  shares().emplace(std::make_pair(file.device, file.inode), &file);
  file.shareRegistered = true;
  return true;
}

bool shareAllows(dev_t device, ino_t inode, DWORD access, DWORD share) {
  std::lock_guard lock(shareMutex());
  return shareAllowsLocked(device, inode, access, share);
}

bool deleteAllowed(dev_t device, ino_t inode) { return shareAllows(device, inode, DELETE, ~DWORD{0}); }

FILETIME fileTimeOf(const struct timespec& t) {
  const ULONGLONG ticks = (static_cast<ULONGLONG>(t.tv_sec) + 11644473600ull) * 10'000'000ull +
                          static_cast<ULONGLONG>(t.tv_nsec) / 100u;
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

} // namespace kxemu

using namespace kxemu;

extern "C" HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES,
                                     DWORD disposition, DWORD flags, HANDLE) {
  if (!fileName) {
    return fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  }
  if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) {
    return fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  }
  if (isDevicePath(fileName)) {
    return openDevicePath(fileName, access, share, disposition, flags);
  }
  HostPath path;
  DWORD error;
  if (!mapPath(fileName, path, error)) {
    return fail(error, INVALID_HANDLE_VALUE);
  }
  const bool reads = access & kReadAccess;
  const bool writes = access & kWriteAccess;
  auto file = std::make_shared<FileObject>();
  file->access = access;
  file->share = share;
  file->deleteOnClose = (flags & FILE_FLAG_DELETE_ON_CLOSE) != 0;
  bool truncate = false;
  bool created = false;

  if (path.exists || path.isDriveRoot) {
    if (path.isDirectory || path.isDriveRoot) {
      if (!(flags & FILE_FLAG_BACKUP_SEMANTICS) || writes ||
          (disposition != OPEN_EXISTING && disposition != OPEN_ALWAYS)) {
        return fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
      }
      file->directory = true;
      file->fd = ::open(path.host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } else {
      if (disposition == CREATE_NEW) {
        return fail(ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE);
      }
      if (disposition == TRUNCATE_EXISTING && !writes) {
        return fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
      }
      truncate = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
      const bool readOnly = !(path.status.st_mode & S_IWUSR);
      if ((writes || truncate) && (readOnly || !writableHostPath(path))) {
        return fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
      }
      if (file->deleteOnClose && (readOnly || !writableHostPath(path))) {
        return fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
      }
      const int mode = (writes || truncate) ? (reads ? O_RDWR : O_WRONLY) : O_RDONLY;
      file->fd = ::open(path.host.c_str(), mode | O_CLOEXEC);
    }
  } else {
    if (!path.parentExists) {
      return fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
    }
    if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING) {
      return fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    }
    if (!writableHostPath(path)) {
      return fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    }
    const mode_t mode = (flags & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    const int rw = writes ? (reads ? O_RDWR : O_WRONLY) : O_RDONLY;
    file->fd = ::open(path.host.c_str(), rw | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    created = true;
  }
  if (file->fd < 0) {
    return fail(win32FromErrno(errno), INVALID_HANDLE_VALUE);
  }
  struct stat st;
  ::fstat(file->fd, &st);
  file->device = st.st_dev;
  file->inode = st.st_ino;
  file->host = path.host;
  if (!registerShare(*file)) {
    if (created) {
      ::unlink(path.host.c_str());
    }
    file->deleteOnClose = false;
    return fail(ERROR_SHARING_VIOLATION, INVALID_HANDLE_VALUE);
  }
  if (truncate && ::ftruncate(file->fd, 0) != 0) {
    return fail(win32FromErrno(errno), INVALID_HANDLE_VALUE);
  }
  const bool existed = !created;
  SetLastError(existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS) ? ERROR_ALREADY_EXISTS
                                                                                       : ERROR_SUCCESS);
  return insertHandle(std::move(file));
}

extern "C" BOOL WINAPI ReadFile(HANDLE handle, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
                                LPOVERLAPPED overlapped) {
  if (bytesRead) {
    *bytesRead = 0;
  }
  auto object = lookupHandle(handle);
  if (object && object->kind() == ObjectKind::Device) {
    DWORD done = 0, error = ERROR_SUCCESS;
    const bool ok = static_cast<DeviceObject*>(object.get())->file->read(buffer, bytesToRead, done, error);
    if (bytesRead) {
      *bytesRead = done;
    }
    completeOverlapped(overlapped, done, ok ? 0 : error);
    return ok ? TRUE : fail(error, FALSE);
  }
  if (!object || object->kind() != ObjectKind::File) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  auto* file = static_cast<FileObject*>(object.get());
  if (file->directory) {
    return fail(ERROR_INVALID_FUNCTION, FALSE);
  }
  if (!(file->access & kReadAccess)) {
    return fail(ERROR_ACCESS_DENIED, FALSE);
  }
  if (!buffer && bytesToRead) {
    return fail(ERROR_NOACCESS, FALSE);
  }
  DWORD done = 0;
  if (!seekOverlapped(*file, overlapped) || !readAll(file->fd, buffer, bytesToRead, done)) {
    return fail(win32FromErrno(errno), FALSE);
  }
  if (bytesRead) {
    *bytesRead = done;
  }
  completeOverlapped(overlapped, done, 0);
  return TRUE;
}

extern "C" BOOL WINAPI WriteFile(HANDLE handle, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
                                 LPOVERLAPPED overlapped) {
  if (bytesWritten) {
    *bytesWritten = 0;
  }
  auto object = lookupHandle(handle);
  if (object && object->kind() == ObjectKind::Device) {
    DWORD done = 0, error = ERROR_SUCCESS;
    const bool ok = static_cast<DeviceObject*>(object.get())->file->write(buffer, bytesToWrite, done, error);
    if (bytesWritten) {
      *bytesWritten = done;
    }
    completeOverlapped(overlapped, done, ok ? 0 : error);
    return ok ? TRUE : fail(error, FALSE);
  }
  if (!object || object->kind() != ObjectKind::File) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  auto* file = static_cast<FileObject*>(object.get());
  if (file->directory || !(file->access & kWriteAccess)) {
    return fail(ERROR_ACCESS_DENIED, FALSE);
  }
  if (!buffer && bytesToWrite) {
    return fail(ERROR_NOACCESS, FALSE);
  }
  DWORD done = 0;
  if (!seekOverlapped(*file, overlapped) || !writeAll(file->fd, buffer, bytesToWrite, done)) {
    return fail(win32FromErrno(errno), FALSE);
  }
  if (bytesWritten) {
    *bytesWritten = done;
  }
  completeOverlapped(overlapped, done, 0);
  return TRUE;
}

extern "C" BOOL WINAPI SetFilePointerEx(HANDLE handle, LARGE_INTEGER distance, PLARGE_INTEGER newPointer,
                                        DWORD moveMethod) {
  auto file = fileOf(handle);
  if (!file) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  if (moveMethod > FILE_END) {
    return fail(ERROR_INVALID_PARAMETER, FALSE);
  }
  const off_t current = ::lseek(file->fd, 0, SEEK_CUR);
  LONGLONG origin = 0;
  if (moveMethod == FILE_CURRENT) {
    origin = current;
  } else if (moveMethod == FILE_END) {
    struct stat st;
    ::fstat(file->fd, &st);
    origin = st.st_size;
  }
  const LONGLONG target = origin + distance.QuadPart;
  if (target < 0) {
    return fail(ERROR_NEGATIVE_SEEK, FALSE);
  }
  if (::lseek(file->fd, static_cast<off_t>(target), SEEK_SET) < 0) {
    return fail(win32FromErrno(errno), FALSE);
  }
  if (newPointer) {
    newPointer->QuadPart = target;
  }
  return TRUE;
}

extern "C" DWORD WINAPI SetFilePointer(HANDLE handle, LONG distance, PLONG distanceHigh, DWORD moveMethod) {
  LARGE_INTEGER move;
  move.QuadPart =
      distanceHigh ? static_cast<LONGLONG>((static_cast<ULONGLONG>(static_cast<DWORD>(*distanceHigh)) << 32) |
                                           static_cast<DWORD>(distance))
                   : static_cast<LONGLONG>(distance);
  LARGE_INTEGER result;
  if (!SetFilePointerEx(handle, move, &result, moveMethod)) {
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh) {
    *distanceHigh = result.HighPart;
  } else if (result.QuadPart > 0xFFFFFFFELL) {
    return fail(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
  }
  SetLastError(ERROR_SUCCESS);
  return result.LowPart;
}

extern "C" BOOL WINAPI SetEndOfFile(HANDLE handle) {
  auto file = fileOf(handle);
  if (!file) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  if (!(file->access & kWriteAccess)) {
    return fail(ERROR_ACCESS_DENIED, FALSE);
  }
  const off_t position = ::lseek(file->fd, 0, SEEK_CUR);
  if (position < 0 || ::ftruncate(file->fd, position) != 0) {
    return fail(win32FromErrno(errno), FALSE);
  }
  return TRUE;
}

extern "C" BOOL WINAPI FlushFileBuffers(HANDLE handle) {
  auto file = fileOf(handle);
  if (!file) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  ::fsync(file->fd);
  return TRUE;
}

extern "C" BOOL WINAPI GetFileSizeEx(HANDLE handle, PLARGE_INTEGER size) {
  auto file = fileOf(handle);
  if (!file) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  struct stat st;
  if (::fstat(file->fd, &st) != 0) {
    return fail(win32FromErrno(errno), FALSE);
  }
  if (size) {
    size->QuadPart = file->directory ? 0 : st.st_size;
  }
  return TRUE;
}

extern "C" DWORD WINAPI GetFileSize(HANDLE handle, LPDWORD high) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(handle, &size)) {
    return INVALID_FILE_SIZE;
  }
  if (high) {
    *high = static_cast<DWORD>(size.HighPart);
  }
  SetLastError(ERROR_SUCCESS);
  return size.LowPart;
}
