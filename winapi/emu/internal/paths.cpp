#include <winapi/emu/internal/codepage.h>
#include <winapi/emu/internal/paths.h>
#include <winapi/emu/internal/root.h>
#include <winapi/include/emu/kxemu.h>

#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <mutex>
#include <unistd.h>

namespace kxemu {
namespace {

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::mutex& cwdMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}
std::string& cwdValue() {
  static std::string* value = new std::string;
  return *value;
}

void splitInto(const std::string& text, std::vector<std::string>& parts) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\\', start);
    if (end == std::string::npos) {
      end = text.size();
    }
    std::string part = text.substr(start, end - start);
    if (part.empty() || part == ".") {
      // nothing
    } else if (part == "..") {
      if (!parts.empty()) {
        parts.pop_back();
      }
    } else {
      parts.push_back(part);
    }
    start = end + 1;
  }
}

// Finds name in a host directory, exact spelling first, else ignoring case.
bool findEntry(const std::string& directory, const std::string& name, std::string& actual) {
  struct stat st;
  if (::lstat(joinHost(directory, name).c_str(), &st) == 0) {
    actual = name;
    return true;
  }
  DIR* dir = ::opendir(directory.c_str());
  if (!dir) {
    return false;
  }
  bool found = false;
  while (dirent* entry = ::readdir(dir)) {
    if (equalsIgnoreCase(entry->d_name, name)) {
      actual = entry->d_name;
      found = true;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

bool endsWithExe(const std::string& name) {
  return name.size() > 4 && equalsIgnoreCase(std::string_view(name).substr(name.size() - 4), ".exe");
}

} // namespace

std::string joinHost(const std::string& directory, const std::string& name) {
  if (!directory.empty() && directory.back() == '/') {
    return directory + name;
  }
  return directory + "/" + name;
}

std::string parentHost(const std::string& host) {
  const auto slash = host.find_last_of('/');
  if (slash == std::string::npos) {
    return ".";
  }
  if (slash == 0) {
    return "/";
  }
  return host.substr(0, slash);
}

bool parsePath(const char* path, ParsedPath& out, DWORD& error) {
  if (!path || !*path) {
    error = ERROR_PATH_NOT_FOUND;
    return false;
  }
  std::string p(path);
  for (char& c : p) {
    if (c == '/') {
      c = '\\';
    }
  }
  if (p.rfind("\\\\?\\", 0) == 0 || p.rfind("\\\\.\\", 0) == 0) {
    std::string rest = p.substr(4);
    if (p[2] == '?' && rest.size() >= 2 && isLetter(rest[0]) && rest[1] == ':' &&
        (rest.size() == 2 || rest[2] == '\\')) {
      p = rest;
    } else {
      error = ERROR_FILE_NOT_FOUND; // a device path: the caller routes those elsewhere
      return false;
    }
  } else if (p.rfind("\\\\", 0) == 0) {
    error = ERROR_BAD_NETPATH;
    return false;
  }

  ParsedPath result;
  std::string rest;
  if (p.size() >= 2 && isLetter(p[0]) && p[1] == ':') {
    result.drive = upper(p[0]);
    rest = p.substr(2);
    if (rest.empty() || rest[0] != '\\') {
      // Drive-relative: relative to the current directory when it is on that drive.
      const std::string cwd = currentDirectory();
      if (!cwd.empty() && upper(cwd[0]) == result.drive) {
        rest = cwd.substr(2) + "\\" + rest;
      }
    }
  } else if (p[0] == '\\') {
    const std::string cwd = currentDirectory();
    result.drive = cwd.empty() ? 'C' : upper(cwd[0]);
    rest = p;
  } else {
    const std::string cwd = currentDirectory();
    result.drive = cwd.empty() ? 'C' : upper(cwd[0]);
    rest = (cwd.size() > 2 ? cwd.substr(2) : std::string()) + "\\" + p;
  }
  splitInto(rest, result.parts);
  // Windows drops trailing dots and spaces from the last part ("a.txt." is "a.txt").
  if (!result.parts.empty()) {
    std::string& last = result.parts.back();
    while (!last.empty() && (last.back() == '.' || last.back() == ' ')) {
      last.pop_back();
    }
    if (last.empty()) {
      result.parts.pop_back();
    }
  }
  for (const auto& part : result.parts) {
    if (!validFileName(part)) {
      error = ERROR_INVALID_NAME;
      return false;
    }
  }
  out = std::move(result);
  return true;
}

bool validFileName(const std::string& name) {
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' || c == '*') {
      return false;
    }
  }
  return true;
}

std::string formatPath(const ParsedPath& path) {
  std::string out{path.drive, ':', '\\'};
  for (size_t i = 0; i < path.parts.size(); ++i) {
    if (i) {
      out += '\\';
    }
    out += path.parts[i];
  }
  return out;
}

bool mapParsedPath(const ParsedPath& path, HostPath& out, DWORD& error) {
  HostPath result;
  std::string base;
  const std::string own = driveDirectory(path.drive);
  struct stat st;
  if (::stat(own.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    base = own;
  } else if (path.drive == 'Z') {
    base = "/";
    result.readOnlyDrive = true;
  } else {
    error = ERROR_PATH_NOT_FOUND;
    return false;
  }

  std::string current = base;
  ParsedPath spelled = path;
  bool exists = true;
  bool parentExists = true;
  const size_t count = path.parts.size();
  for (size_t i = 0; i < count; ++i) {
    const std::string name = ansiToUtf8(path.parts[i]);
    const bool last = i + 1 == count;
    if (exists) {
      std::string actual;
      bool found = findEntry(current, name, actual);
      if (!found && last && endsWithExe(name)) {
        std::string program;
        struct stat ps;
        if (findEntry(current, name.substr(0, name.size() - 4), program) &&
            ::stat(joinHost(current, program).c_str(), &ps) == 0 && S_ISREG(ps.st_mode)) {
          actual = program;
          found = true;
        }
      }
      if (found) {
        current = joinHost(current, actual);
        if (actual != name && !(last && endsWithExe(name) && actual.size() + 4 == name.size())) {
          spelled.parts[i] = utf8ToAnsi(actual);
        }
        if (!last) {
          struct stat ds;
          if (::stat(current.c_str(), &ds) != 0 || !S_ISDIR(ds.st_mode)) {
            exists = false;
            parentExists = false;
          }
        }
        continue;
      }
      exists = false;
      if (!last) {
        parentExists = false;
      }
    }
    current = joinHost(current, name);
  }
  result.host = current;
  result.windows = formatPath(spelled);
  result.isDriveRoot = count == 0;
  result.parentExists = count == 0 ? true : parentExists;
  if (exists && ::stat(current.c_str(), &result.status) == 0) {
    result.exists = true;
    result.isDirectory = S_ISDIR(result.status.st_mode);
  } else {
    result.exists = false;
  }
  out = std::move(result);
  return true;
}

bool mapPath(const char* path, HostPath& out, DWORD& error) {
  ParsedPath parsed;
  if (!parsePath(path, parsed, error)) {
    return false;
  }
  return mapParsedPath(parsed, out, error);
}

std::string windowsPathOfHost(const std::string& host) {
  std::string canonical = host;
  char real[PATH_MAX];
  if (::realpath(host.c_str(), real)) {
    canonical = real;
  }
  const std::string root = rootDirectory();
  const std::string prefix = root + "/drive_";
  if (canonical.size() > prefix.size() && canonical.compare(0, prefix.size(), prefix) == 0 &&
      isLetter(canonical[prefix.size()]) &&
      (canonical.size() == prefix.size() + 1 || canonical[prefix.size() + 1] == '/')) {
    std::string out{upper(canonical[prefix.size()]), ':', '\\'};
    std::string rest = canonical.size() > prefix.size() + 2 ? canonical.substr(prefix.size() + 2) : "";
    for (char& c : rest) {
      if (c == '/') {
        c = '\\';
      }
    }
    return out + utf8ToAnsi(rest);
  }
  std::string out = "Z:";
  for (char c : canonical) {
    out += c == '/' ? '\\' : c;
  }
  if (out == "Z:") {
    out = "Z:\\";
  }
  return utf8ToAnsi(out);
}

bool writableHostPath(const HostPath& path) {
  if (path.readOnlyDrive) {
    return false;
  }
  const std::string probe = path.exists ? path.host : parentHost(path.host);
  char real[PATH_MAX];
  if (!::realpath(probe.c_str(), real)) {
    return true; // nothing there yet to lead anywhere
  }
  const std::string root = rootDirectory();
  const std::string r(real);
  return r == root ||
         (r.size() > root.size() && r.compare(0, root.size(), root) == 0 && r[root.size()] == '/');
}

std::string currentDirectory() {
  std::lock_guard lock(cwdMutex());
  std::string& cwd = cwdValue();
  if (cwd.empty()) {
    char host[PATH_MAX];
    cwd = ::getcwd(host, sizeof host) ? windowsPathOfHost(host) : std::string(kSystemDirectory);
  }
  return cwd;
}

void setCurrentDirectoryPath(const std::string& normalised) {
  std::lock_guard lock(cwdMutex());
  cwdValue() = normalised;
}

} // namespace kxemu

// The control API's view of the mapping (kxemu.h).
namespace kxemu {

std::string hostPath(const std::string& windowsPath) {
  HostPath path;
  DWORD error;
  if (!mapPath(windowsPath.c_str(), path, error)) {
    return std::string();
  }
  return path.host;
}

std::string windowsPath(const std::string& host) { return windowsPathOfHost(host); }

} // namespace kxemu
