// Whole-file operations: copy, move (also at the next restart), delete, attributes, folders.
//
// The read-only attribute is the owner's write permission of the host file, so it survives
// processes and is what Windows enforces: read-only files cannot be opened for writing,
// overwritten or deleted (ERROR_ACCESS_DENIED). Folders keep no read-only attribute.
#include <winapi/emu/internal/codepage.h>
#include <winapi/emu/internal/errors.h>
#include <winapi/emu/internal/files.h>
#include <winapi/emu/internal/paths.h>
#include <winapi/emu/internal/pending.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kxemu {
namespace {

bool readOnly(const HostPath& path) {
  return path.exists && !path.isDirectory && !(path.status.st_mode & S_IWUSR);
}

DWORD missingError(const HostPath& path) {
  return path.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

// Copies the bytes, permissions and modification time of a host file to a new temporary
// file beside the destination and renames it over the destination.
DWORD copyHostFile(const HostPath& source, const std::string& destination) {
  const int in = ::open(source.host.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    return win32FromErrno(errno);
  }
  std::string temp = parentHost(destination) + "/.kxcopy.XXXXXX";
  const int out = ::mkostemp(temp.data(), O_CLOEXEC);
  if (out < 0) {
    const DWORD error = win32FromErrno(errno, ERROR_PATH_NOT_FOUND);
    ::close(in);
    return error;
  }
  DWORD error = ERROR_SUCCESS;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      error = win32FromErrno(errno);
      break;
    }
    if (n == 0) {
      break;
    }
    ssize_t written = 0;
    while (written < n) {
      const ssize_t w = ::write(out, buffer + written, static_cast<size_t>(n - written));
      if (w < 0) {
        if (errno == EINTR) {
          continue;
        }
        error = win32FromErrno(errno);
        break;
      }
      written += w;
    }
    if (error) {
      break;
    }
  }
  ::close(in);
  if (!error) {
    const timespec times[2] = {source.status.st_atim, source.status.st_mtim};
    ::futimens(out, times);
    ::fchmod(out, source.status.st_mode & 07777 & ~mode_t{07000});
  }
  ::close(out);
  if (!error && ::rename(temp.c_str(), destination.c_str()) != 0) {
    error = win32FromErrno(errno);
  }
  if (error) {
    ::unlink(temp.c_str());
  }
  return error;
}

// "\??\C:\path" as Windows writes the names of PendingFileRenameOperations.
std::string nativeName(const HostPath& path) { return "\\??\\" + path.windows; }

BOOL scheduleAtReboot(const HostPath& source, const HostPath* destination, DWORD flags) {
  PendingRename entry{nativeName(source), ""};
  if (destination) {
    entry.second = ((flags & MOVEFILE_REPLACE_EXISTING) ? "!" : "") + nativeName(*destination);
  }
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return fail(ERROR_ACCESS_DENIED, FALSE);
  }
  std::vector<PendingRename> pending;
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key, kPendingRenamesValue, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      type == REG_MULTI_SZ && size > 0) {
    std::string value(size, '\0');
    if (RegQueryValueExA(key, kPendingRenamesValue, nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                         &size) == ERROR_SUCCESS) {
      value.resize(size);
      pending = parsePendingRenames(value);
    }
  }
  pending.push_back(std::move(entry));
  const std::string value = formatPendingRenames(pending);
  const LSTATUS status =
      RegSetValueExA(key, kPendingRenamesValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(value.data()),
                     static_cast<DWORD>(value.size()));
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? TRUE : fail(static_cast<DWORD>(status), FALSE);
}

} // namespace
} // namespace kxemu

using namespace kxemu;

extern "C" BOOL WINAPI CopyFileA(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists) {
  if (!existingFileName || !newFileName) {
    return fail(ERROR_INVALID_PARAMETER, FALSE);
  }
  HostPath source, destination;
  DWORD error;
  if (!mapPath(existingFileName, source, error)) {
    return fail(error, FALSE);
  }
  if (!source.exists) {
    return fail(missingError(source), FALSE);
  }
  if (source.isDirectory) {
    return fail(ERROR_ACCESS_DENIED, FALSE);
  }
  if (!shareAllows(source.status.st_dev, source.status.st_ino, GENERIC_READ, FILE_SHARE_READ)) {
    return fail(ERROR_SHARING_VIOLATION, FALSE);
  }
  if (!mapPath(newFileName, destination, error)) {
    return fail(error, FALSE);
  }
  if (!destination.parentExists) {
    return fail(ERROR_PATH_NOT_FOUND, FALSE);
  }
  if (destination.exists) {
    if (failIfExists) {
      return fail(ERROR_FILE_EXISTS, FALSE);
    }
    if (destination.isDirectory || readOnly(destination)) {
      return fail(ERROR_ACCESS_DENIED, FALSE);
    }
    if (destination.status.st_dev == source.status.st_dev &&
        destination.status.st_ino == source.status.st_ino) {
      return fail(ERROR_SHARING_VIOLATION, FALSE);
    }
    if (!shareAllows(destination.status.st_dev, destination.status.st_ino, GENERIC_WRITE | DELETE, 0)) {
      return fail(ERROR_SHARING_VIOLATION, FALSE);
    }
  }
  if (!writableHostPath(destination)) {
    return fail(ERROR_ACCESS_DENIED, FALSE);
  }
  error = copyHostFile(source, destination.host);
  return error ? fail(error, FALSE) : TRUE;
}

extern "C" BOOL WINAPI MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags) {
  if (!existingFileName) {
    return fail(ERROR_INVALID_PARAMETER, FALSE);
  }
  HostPath source, destination;
  DWORD error;
  if (!mapPath(existingFileName, source, error)) {
    return fail(error, FALSE);
  }
  if (flags & MOVEFILE_DELAY_UNTIL_REBOOT) {
    if (flags & MOVEFILE_COPY_ALLOWED) {
      return fail(ERROR_INVALID_PARAMETER, FALSE);
    }
    if (newFileName && *newFileName) {
      if (!mapPath(newFileName, destination, error)) {
        return fail(error, FALSE);
      }
      return scheduleAtReboot(source, &destination, flags);
    }
    return scheduleAtReboot(source, nullptr, flags);
  }
  if (!newFileName) {
    return fail(ERROR_INVALID_PARAMETER, FALSE);
  }
  if (!source.exists) {
    return fail(missingError(source), FALSE);
  }
  if (!writableHostPath(source)) {
    return fail(ERROR_ACCESS_DENIED, FALSE);
  }
  if (!deleteAllowed(source.status.st_dev, source.status.st_ino)) {
    return fail(ERROR_SHARING_VIOLATION, FALSE);
  }
  if (!mapPath(newFileName, destination, error)) {
    return fail(error, FALSE);
  }
  if (!destination.parentExists) {
    return fail(ERROR_PATH_NOT_FOUND, FALSE);
  }
  if (!writableHostPath(destination)) {
    return fail(ERROR_ACCESS_DENIED, FALSE);
  }
  const bool sameFile = destination.exists && destination.status.st_dev == source.status.st_dev &&
                        destination.status.st_ino == source.status.st_ino;
  if (destination.exists && !sameFile) {
    if (!(flags & MOVEFILE_REPLACE_EXISTING)) {
      return fail(ERROR_ALREADY_EXISTS, FALSE);
    }
    if (destination.isDirectory || source.isDirectory || readOnly(destination)) {
      return fail(ERROR_ACCESS_DENIED, FALSE);
    }
    if (!deleteAllowed(destination.status.st_dev, destination.status.st_ino)) {
      return fail(ERROR_SHARING_VIOLATION, FALSE);
    }
  }
  if (::rename(source.host.c_str(), destination.host.c_str()) == 0) {
    return TRUE;
  }
  if (errno == EXDEV && !source.isDirectory && (flags & MOVEFILE_COPY_ALLOWED)) {
    error = copyHostFile(source, destination.host);
    if (error) {
      return fail(error, FALSE);
    }
    ::unlink(source.host.c_str());
    return TRUE;
  }
  return fail(win32FromErrno(errno, ERROR_PATH_NOT_FOUND), FALSE);
}

extern "C" BOOL WINAPI MoveFileA(LPCSTR existingFileName, LPCSTR newFileName) {
  return MoveFileExA(existingFileName, newFileName, MOVEFILE_COPY_ALLOWED);
}

extern "C" BOOL WINAPI DeleteFileA(LPCSTR fileName) {
  HostPath path;
  DWORD error;
  if (!mapPath(fileName, path, error)) {
    return fail(error, FALSE);
  }
  if (!path.exists) {
    return fail(missingError(path), FALSE);
  }
  if (path.isDirectory || readOnly(path) || !writableHostPath(path)) {
    return fail(ERROR_ACCESS_DENIED, FALSE);
  }
  if (!deleteAllowed(path.status.st_dev, path.status.st_ino)) {
    return fail(ERROR_SHARING_VIOLATION, FALSE);
  }
  if (::unlink(path.host.c_str()) != 0) {
    return fail(win32FromErrno(errno), FALSE);
  }
  return TRUE;
}

extern "C" DWORD WINAPI GetFileAttributesA(LPCSTR fileName) {
  HostPath path;
  DWORD error;
  if (!mapPath(fileName, path, error)) {
    return fail(error, INVALID_FILE_ATTRIBUTES);
  }
  if (path.isDriveRoot) {
    return FILE_ATTRIBUTE_DIRECTORY;
  }
  if (!path.exists) {
    return fail(missingError(path), INVALID_FILE_ATTRIBUTES);
  }
  if (path.isDirectory) {
    return FILE_ATTRIBUTE_DIRECTORY;
  }
  return FILE_ATTRIBUTE_ARCHIVE | (readOnly(path) ? FILE_ATTRIBUTE_READONLY : 0u);
}

extern "C" BOOL WINAPI SetFileAttributesA(LPCSTR fileName, DWORD attributes) {
  HostPath path;
  DWORD error;
  if (!mapPath(fileName, path, error)) {
    return fail(error, FALSE);
  }
  if (!path.exists && !path.isDriveRoot) {
    return fail(missingError(path), FALSE);
  }
  if (!writableHostPath(path)) {
    return fail(ERROR_ACCESS_DENIED, FALSE);
  }
  if (path.isDirectory || path.isDriveRoot) {
    return TRUE;
  }
  mode_t mode = path.status.st_mode & 07777;
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    mode &= ~mode_t{0222};
  } else {
    mode |= S_IWUSR;
  }
  if (::chmod(path.host.c_str(), mode) != 0) {
    return fail(win32FromErrno(errno), FALSE);
  }
  return TRUE;
}

extern "C" BOOL WINAPI CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES) {
  HostPath path;
  DWORD error;
  if (!mapPath(pathName, path, error)) {
    return fail(error, FALSE);
  }
  if (path.exists || path.isDriveRoot) {
    return fail(ERROR_ALREADY_EXISTS, FALSE);
  }
  if (!path.parentExists) {
    return fail(ERROR_PATH_NOT_FOUND, FALSE);
  }
  if (!writableHostPath(path)) {
    return fail(ERROR_ACCESS_DENIED, FALSE);
  }
  if (::mkdir(path.host.c_str(), 0777) != 0) {
    return fail(win32FromErrno(errno, ERROR_PATH_NOT_FOUND), FALSE);
  }
  return TRUE;
}

extern "C" BOOL WINAPI RemoveDirectoryA(LPCSTR pathName) {
  HostPath path;
  DWORD error;
  if (!mapPath(pathName, path, error)) {
    return fail(error, FALSE);
  }
  if (path.isDriveRoot) {
    return fail(ERROR_ACCESS_DENIED, FALSE);
  }
  if (!path.exists) {
    return fail(missingError(path), FALSE);
  }
  if (!path.isDirectory) {
    return fail(ERROR_DIRECTORY, FALSE);
  }
  if (!writableHostPath(path)) {
    return fail(ERROR_ACCESS_DENIED, FALSE);
  }
  if (::rmdir(path.host.c_str()) != 0) {
    return fail(errno == EEXIST ? static_cast<DWORD>(ERROR_DIR_NOT_EMPTY) : win32FromErrno(errno), FALSE);
  }
  return TRUE;
}
