#include <winapi/emu/internal/root.h>
#include <winapi/include/emu/kxemu.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kxemu {
namespace {

struct RootState {
  std::mutex mutex;
  std::string chosen; // by setSystemRoot
  std::string resolved;
  bool ready = false;
  std::atomic<unsigned> epoch{1};
};

RootState& state() {
  static RootState* instance = new RootState;
  return *instance;
}

void makeDirectories(const std::string& path) {
  std::string partial;
  size_t pos = 0;
  while (pos != std::string::npos) {
    pos = path.find('/', pos + 1);
    partial = path.substr(0, pos);
    if (!partial.empty()) {
      ::mkdir(partial.c_str(), 0777);
    }
  }
}

std::string homeDirectory() {
  if (const char* home = std::getenv("HOME"); home && *home) {
    return home;
  }
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
    return pw->pw_dir;
  }
  return "/tmp";
}

std::string absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') {
    return path;
  }
  char cwd[PATH_MAX];
  if (::getcwd(cwd, sizeof cwd)) {
    return std::string(cwd) + "/" + path;
  }
  return path;
}

void createTree(const std::string& root) {
  const char* folders[] = {"drive_c/WINDOWS/System32/drivers", "drive_c/WINDOWS/inf", "drive_c/WINDOWS/Temp",
                           "drive_c/Program Files"};
  for (const char* folder : folders) {
    makeDirectories(root + "/" + folder);
  }
}

// Called with the state's mutex held.
const std::string& resolveLocked(RootState& s) {
  if (!s.ready) {
    std::string root = s.chosen;
    if (root.empty()) {
      if (const char* env = std::getenv("KX_SYSTEM_ROOT"); env && *env) {
        root = env;
      } else {
        root = defaultSystemRoot();
      }
    }
    root = absolute(root);
    while (root.size() > 1 && root.back() == '/') {
      root.pop_back();
    }
    createTree(root);
    char real[PATH_MAX];
    s.resolved = ::realpath(root.c_str(), real) ? std::string(real) : root;
    s.ready = true;
  }
  return s.resolved;
}

} // namespace

std::string defaultSystemRoot() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg && xdg[0] == '/') {
    base = xdg;
  } else {
    base = homeDirectory() + "/.local/state";
  }
  return base + "/corvanta/root";
}

void setSystemRoot(const std::string& hostDirectory) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.chosen = hostDirectory;
  s.ready = false;
  s.epoch.fetch_add(1);
  resolveLocked(s);
}

std::string systemRoot() { return rootDirectory(); }

std::string rootDirectory() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  return resolveLocked(s);
}

unsigned rootEpoch() { return state().epoch.load(); }

std::string driveDirectory(char letter) {
  const char lower = (letter >= 'A' && letter <= 'Z') ? static_cast<char>(letter - 'A' + 'a') : letter;
  return rootDirectory() + "/drive_" + lower;
}

} // namespace kxemu
