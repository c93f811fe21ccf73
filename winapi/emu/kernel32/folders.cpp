// Well-known folders, the current directory, full path names and temporary file names.
#include <winapi/emu/internal/errors.h>
#include <winapi/emu/internal/paths.h>
#include <winapi/emu/internal/root.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The usual contract of these calls: the length without the terminator when it fits, else
// the size needed including it (and nothing copied).
DWORD copyPath(const std::string& text, LPSTR buffer, DWORD size) {
  if (buffer && text.size() < size) {
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
  }
  return static_cast<DWORD>(text.size() + 1);
}

} // namespace

using namespace kxemu;

extern "C" UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size) {
  return copyPath(kWindowsDirectory, buffer, size);
}

extern "C" UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size) {
  return copyPath(kSystemDirectory, buffer, size);
}

extern "C" DWORD WINAPI GetTempPathA(DWORD bufferLength, LPSTR buffer) {
  rootDirectory(); // the folder exists once the root does
  return copyPath(std::string(kTempDirectory) + "\\", buffer, bufferLength);
}

extern "C" DWORD WINAPI GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
  return copyPath(currentDirectory(), buffer, bufferLength);
}

extern "C" BOOL WINAPI SetCurrentDirectoryA(LPCSTR pathName) {
  HostPath path;
  DWORD error;
  if (!mapPath(pathName, path, error)) {
    return fail(error, FALSE);
  }
  if (!path.exists && !path.isDriveRoot) {
    return fail(path.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND, FALSE);
  }
  if (!path.isDirectory && !path.isDriveRoot) {
    return fail(ERROR_DIRECTORY, FALSE);
  }
  setCurrentDirectoryPath(path.windows);
  return TRUE;
}

extern "C" DWORD WINAPI GetFullPathNameA(LPCSTR fileName, DWORD bufferLength, LPSTR buffer, LPSTR* filePart) {
  ParsedPath parsed;
  DWORD error;
  if (!fileName || !parsePath(fileName, parsed, error)) {
    return fail(fileName ? error : static_cast<DWORD>(ERROR_INVALID_PARAMETER), DWORD{0});
  }
  const std::string full = formatPath(parsed);
  const DWORD result = copyPath(full, buffer, bufferLength);
  if (filePart) {
    *filePart = nullptr;
    if (result == full.size() && !parsed.parts.empty()) {
      *filePart = buffer + full.find_last_of('\\') + 1;
    }
  }
  return result;
}

// "<path>\<first three characters of prefix><hex number>.tmp". With unique 0 the number is
// chosen (counting up from the tick count) so that the file is new, and the file is created
// empty; otherwise the name is only formed.
extern "C" UINT WINAPI GetTempFileNameA(LPCSTR pathName, LPCSTR prefixString, UINT unique,
                                        LPSTR tempFileName) {
  if (!pathName || !tempFileName) {
    return fail(ERROR_INVALID_PARAMETER, UINT{0});
  }
  HostPath folder;
  DWORD error;
  if (!mapPath(pathName, folder, error) || (!folder.isDirectory && !folder.isDriveRoot)) {
    return fail(ERROR_DIRECTORY, UINT{0});
  }
  std::string base = pathName;
  if (base.empty() || (base.back() != '\\' && base.back() != '/')) {
    base += '\\';
  }
  base += std::string(prefixString ? prefixString : "").substr(0, 3);
  auto nameFor = [&](UINT number) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", number & 0xFFFFu);
    return base + hex + ".tmp";
  };
  auto store = [&](const std::string& name) {
    if (name.size() >= MAX_PATH) {
      return false;
    }
    std::memcpy(tempFileName, name.c_str(), name.size() + 1);
    return true;
  };
  if (unique != 0) {
    if (!store(nameFor(unique))) {
      return fail(ERROR_BUFFER_OVERFLOW, UINT{0});
    }
    return unique & 0xFFFFu;
  }
  UINT number = GetTickCount() & 0xFFFFu;
  for (UINT attempt = 0; attempt < 0x10000u; ++attempt, number = (number + 1) & 0xFFFFu) {
    if (number == 0) {
      continue;
    }
    const std::string name = nameFor(number);
    const HANDLE file =
        CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      if (!store(name)) {
        DeleteFileA(name.c_str());
        return fail(ERROR_BUFFER_OVERFLOW, UINT{0});
      }
      SetLastError(ERROR_SUCCESS);
      return number;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) {
      return 0;
    }
  }
  return fail(ERROR_FILE_EXISTS, UINT{0});
}
