// FindFirstFileA / FindNextFileA / FindClose: wildcards ("*", "?", "*.*") in the last part,
// matched ignoring case; "." and ".." listed first in folders other than a drive's root, the
// other names in case-insensitive order (as NTFS lists them).
#include <winapi/emu/internal/codepage.h>
#include <winapi/emu/internal/errors.h>
#include <winapi/emu/internal/files.h>
#include <winapi/emu/internal/paths.h>

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

namespace kxemu {
namespace {

class FindObject : public KernelObject {
public:
  FindObject() : KernelObject(ObjectKind::Find) {}
  std::vector<WIN32_FIND_DATAA> entries;
  size_t next = 0;
};

bool matchFrom(const char* pattern, const char* name) {
  for (;;) {
    if (*pattern == '\0') {
      return *name == '\0';
    }
    if (*pattern == '*') {
      while (*pattern == '*') {
        ++pattern;
      }
      if (*pattern == '\0') {
        return true;
      }
      for (const char* n = name; *n; ++n) {
        if (matchFrom(pattern, n)) {
          return true;
        }
      }
      // "*." at the end also matches the empty remainder (a name without extension).
      return std::strcmp(pattern, ".") == 0;
    }
    if (*name == '\0') {
      // A trailing "." in the pattern matches the end of a name without a dot.
      return std::strcmp(pattern, ".") == 0;
    }
    if (*pattern != '?' && foldCase(*pattern) != foldCase(*name)) {
      return false;
    }
    ++pattern;
    ++name;
  }
}

bool wildcardMatch(const std::string& pattern, const std::string& name) {
  if (pattern == "*" || pattern == "*.*") {
    return true;
  }
  if (!pattern.empty() && pattern.back() == '.' && name.find('.') != std::string::npos &&
      pattern.find('*') == std::string::npos && pattern.find('?') == std::string::npos) {
    return false;
  }
  return matchFrom(pattern.c_str(), name.c_str());
}

WIN32_FIND_DATAA entryOf(const std::string& name, const struct stat& st) {
  WIN32_FIND_DATAA data;
  std::memset(&data, 0, sizeof data);
  if (S_ISDIR(st.st_mode)) {
    data.dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
  } else {
    data.dwFileAttributes = FILE_ATTRIBUTE_ARCHIVE | ((st.st_mode & S_IWUSR) ? 0u : FILE_ATTRIBUTE_READONLY);
    data.nFileSizeLow = static_cast<DWORD>(static_cast<ULONGLONG>(st.st_size));
    data.nFileSizeHigh = static_cast<DWORD>(static_cast<ULONGLONG>(st.st_size) >> 32);
  }
  data.ftCreationTime = fileTimeOf(st.st_ctim);
  data.ftLastAccessTime = fileTimeOf(st.st_atim);
  data.ftLastWriteTime = fileTimeOf(st.st_mtim);
  std::strncpy(data.cFileName, name.c_str(), MAX_PATH - 1);
  return data;
}

} // namespace
} // namespace kxemu

using namespace kxemu;

extern "C" HANDLE WINAPI FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData) {
  if (!fileName || !findData) {
    return fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  }
  std::string searchPath(fileName);
  for (char& c : searchPath) {
    if (c == '/') {
      c = '\\';
    }
  }
  const auto slash = searchPath.find_last_of('\\');
  std::string folder;
  std::string pattern;
  if (slash == std::string::npos) {
    if (searchPath.size() >= 2 && searchPath[1] == ':') {
      folder = searchPath.substr(0, 2);
      pattern = searchPath.substr(2);
    } else {
      folder = ".";
      pattern = searchPath;
    }
  } else {
    folder = searchPath.substr(0, slash + 1);
    pattern = searchPath.substr(slash + 1);
  }
  if (pattern.empty()) {
    return fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
  }
  HostPath directory;
  DWORD error;
  if (!mapPath(folder.c_str(), directory, error)) {
    return fail(error, INVALID_HANDLE_VALUE);
  }
  if (!directory.isDriveRoot && (!directory.exists || !directory.isDirectory)) {
    return fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
  }
  DIR* dir = ::opendir(directory.host.c_str());
  if (!dir) {
    return fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
  }
  auto find = std::make_shared<FindObject>();
  std::vector<WIN32_FIND_DATAA> dots;
  while (dirent* entry = ::readdir(dir)) {
    const std::string hostName = entry->d_name;
    const bool dot = hostName == "." || hostName == "..";
    if (dot && directory.isDriveRoot) {
      continue;
    }
    if (!dot && hostName.rfind(".kxcopy.", 0) == 0) {
      continue; // a copy in progress (CopyFileA's temporary file)
    }
    const std::string name = utf8ToAnsi(hostName);
    if (!wildcardMatch(pattern, name)) {
      continue;
    }
    struct stat st;
    if (::stat(joinHost(directory.host, hostName).c_str(), &st) != 0) {
      continue;
    }
    (dot ? dots : find->entries).push_back(entryOf(name, st));
  }
  ::closedir(dir);
  std::sort(find->entries.begin(), find->entries.end(),
            [](const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b) {
              const std::string ua = upperCase(a.cFileName);
              const std::string ub = upperCase(b.cFileName);
              return ua != ub ? ua < ub : std::strcmp(a.cFileName, b.cFileName) < 0;
            });
  std::sort(dots.begin(), dots.end(), [](const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b) {
    return std::strlen(a.cFileName) < std::strlen(b.cFileName);
  });
  find->entries.insert(find->entries.begin(), dots.begin(), dots.end());
  if (find->entries.empty()) {
    return fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
  }
  *findData = find->entries[0];
  find->next = 1;
  SetLastError(ERROR_SUCCESS);
  return insertHandle(std::move(find));
}

extern "C" BOOL WINAPI FindNextFileA(HANDLE findFile, LPWIN32_FIND_DATAA findData) {
  auto find = lookupHandle<FindObject>(findFile, ObjectKind::Find);
  if (!find) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  if (find->next >= find->entries.size()) {
    return fail(ERROR_NO_MORE_FILES, FALSE);
  }
  if (findData) {
    *findData = find->entries[find->next];
  }
  ++find->next;
  return TRUE;
}

extern "C" BOOL WINAPI FindClose(HANDLE findFile) {
  auto find = lookupHandle<FindObject>(findFile, ObjectKind::Find);
  if (!find) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  find.reset();
  removeHandle(findFile);
  return TRUE;
}
