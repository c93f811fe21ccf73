#include <winapi/emu/internal/errors.h>

#include <cerrno>

namespace kxemu {

DWORD win32FromErrno(int error, DWORD notFound) {
  switch (error) {
  case 0:
    return ERROR_SUCCESS;
  case ENOENT:
    return notFound;
  case ENOTDIR:
    return ERROR_PATH_NOT_FOUND;
  case EACCES:
  case EPERM:
  case EISDIR:
  case EROFS:
  case ETXTBSY:
    return ERROR_ACCESS_DENIED;
  case EEXIST:
    return ERROR_ALREADY_EXISTS;
  case ENOTEMPTY:
    return ERROR_DIR_NOT_EMPTY;
  case ENOSPC:
  case EDQUOT:
    return ERROR_DISK_FULL;
  case EMFILE:
  case ENFILE:
    return ERROR_TOO_MANY_OPEN_FILES;
  case ENOMEM:
    return ERROR_NOT_ENOUGH_MEMORY;
  case EXDEV:
    return ERROR_NOT_SAME_DEVICE;
  case EBADF:
    return ERROR_INVALID_HANDLE;
  case EINVAL:
    return ERROR_INVALID_PARAMETER;
  case ENAMETOOLONG:
    return ERROR_FILENAME_EXCED_RANGE;
  case EBUSY:
    return ERROR_SHARING_VIOLATION;
  default:
    return ERROR_GEN_FAILURE;
  }
}

} // namespace kxemu
