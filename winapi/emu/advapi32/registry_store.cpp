#include <winapi/emu/advapi32/registry_store.h>
#include <winapi/emu/internal/codepage.h>
#include <winapi/emu/internal/root.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kxemu::registry {

Value* Key::findValue(std::string_view valueName) {
  for (auto& value : values) {
    if (equalsIgnoreCase(value.name, valueName)) {
      return &value;
    }
  }
  return nullptr;
}

Key* Key::findChild(std::string_view childName) const {
  auto it = children.find(upperCase(childName));
  return it == children.end() ? nullptr : it->second.get();
}

Key* Key::child(const std::string& childName, bool* created) {
  auto& slot = children[upperCase(childName)];
  if (created) {
    *created = !slot;
  }
  if (!slot) {
    slot = std::make_shared<Key>();
    slot->name = childName;
    slot->touch();
    touch();
  }
  return slot.get();
}

void Key::touch() {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  const ULONGLONG ticks = (static_cast<ULONGLONG>(now.tv_sec) + 11644473600ull) * 10'000'000ull +
                          static_cast<ULONGLONG>(now.tv_nsec) / 100u;
  lastWrite = FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

const char* hiveName(int hive) {
  switch (hive) {
  case kLocalMachine:
    return "HKEY_LOCAL_MACHINE";
  case kCurrentUser:
    return "HKEY_CURRENT_USER";
  default:
    return "HKEY_USERS";
  }
}

Tree::Tree() {
  for (int i = 0; i < kHiveCount; ++i) {
    hives[i] = std::make_shared<Key>();
    hives[i]->name = hiveName(i);
  }
}

Tree skeletonTree() {
  Tree tree;
  auto path = [](Key* key, std::initializer_list<const char*> parts) {
    for (const char* part : parts) {
      key = key->child(part);
    }
    return key;
  };
  Key* lm = tree.hives[kLocalMachine].get();
  path(lm, {"HARDWARE"});
  path(lm, {"SOFTWARE", "Classes", "CLSID"});
  path(lm, {"SOFTWARE", "Microsoft", "Windows", "CurrentVersion", "Uninstall"});
  Key* nt = path(lm, {"SOFTWARE", "Microsoft", "Windows NT", "CurrentVersion"});
  auto setString = [](Key* key, const char* name, const char* text) {
    key->values.push_back(Value{name, REG_SZ, std::string(text) + '\0'});
  };
  setString(nt, "ProductName", "Microsoft Windows XP");
  setString(nt, "CurrentVersion", "5.1");
  setString(nt, "CurrentBuildNumber", "2600");
  setString(nt, "SystemRoot", "C:\\WINDOWS");
  path(lm, {"SYSTEM", "CurrentControlSet", "Control", "DeviceClasses"});
  path(lm, {"SYSTEM", "CurrentControlSet", "Control", "Session Manager"});
  path(lm, {"SYSTEM", "CurrentControlSet", "Enum"});
  path(tree.hives[kCurrentUser].get(), {"Software", "Classes"});
  path(tree.hives[kUsers].get(), {".DEFAULT"});
  return tree;
}

bool splitKeyPath(const char* path, std::vector<std::string>& parts) {
  parts.clear();
  if (!path || !*path) {
    return true;
  }
  if (path[0] == '\\') {
    return false;
  }
  std::string part;
  for (const char* p = path;; ++p) {
    if (*p == '\\' || *p == '\0') {
      if (!part.empty()) {
        parts.push_back(part);
      }
      part.clear();
      if (*p == '\0') {
        break;
      }
    } else {
      part += *p;
    }
  }
  return true;
}

// ---- the store -----------------------------------------------------------------------

struct Store::Impl {
  std::mutex mutex;
  Tree tree;
  bool loaded = false;
  unsigned epoch = 0;
  std::string file;
  std::string lockFile;
  int lockFd = -1;
  pid_t lockPid = 0;
  unsigned long long generation = ~0ull; // the counter the tree corresponds to
  bool haveStatus = false;
  struct stat status {};
};

namespace {

Store::Impl*& implSlot() {
  static Store::Impl* impl = nullptr;
  return impl;
}

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

unsigned long long readGeneration(int fd) {
  unsigned long long value = 0;
  if (::pread(fd, &value, sizeof value, 0) != static_cast<ssize_t>(sizeof value)) {
    return 0;
  }
  return value;
}

void writeGeneration(int fd, unsigned long long value) {
  const ssize_t written = ::pwrite(fd, &value, sizeof value, 0);
  (void)written;
}

bool readWholeFile(const std::string& path, std::string& text) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  text.clear();
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      break;
    }
    text.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

bool writeWholeFile(const std::string& path, const std::string& text) {
  const std::string temp = path + ".tmp." + std::to_string(::getpid());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    return false;
  }
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      ::close(fd);
      ::unlink(temp.c_str());
      return false;
    }
    done += static_cast<size_t>(n);
  }
  if (::close(fd) != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

} // namespace

Store& Store::instance() {
  static Store* store = [] {
    implSlot() = new Impl;
    return new Store;
  }();
  return *store;
}

LONG Store::read(const std::function<LONG(Tree&)>& operation) {
  return run(false, [&](Tree& tree, bool&) { return operation(tree); });
}

LONG Store::write(const std::function<LONG(Tree&, bool& changed)>& operation) { return run(true, operation); }

LONG Store::run(bool exclusive, const std::function<LONG(Tree&, bool& changed)>& operation) {
  Impl& s = *implSlot();
  std::lock_guard guard(s.mutex);

  // Follow a change of root, and reopen the lock after a fork (a child shares its parent's
  // open lock description, which would let both hold the lock at once).
  const unsigned epoch = rootEpoch();
  if (epoch != s.epoch || s.lockPid != ::getpid()) {
    if (epoch != s.epoch) {
      const std::string root = rootDirectory();
      s.file = root + "/registry.reg";
      s.lockFile = root + "/registry.lock";
      s.epoch = epoch;
      s.loaded = false;
    }
    if (s.lockFd >= 0) {
      ::close(s.lockFd);
    }
    s.lockFd = ::open(s.lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    s.lockPid = ::getpid();
  }
  if (s.lockFd < 0) {
    return exclusive ? ERROR_CANTWRITE : ERROR_CANTREAD;
  }
  while (::flock(s.lockFd, exclusive ? LOCK_EX : LOCK_SH) != 0 && errno == EINTR) {
  }

  const unsigned long long generation = readGeneration(s.lockFd);
  struct stat status;
  const bool exists = ::stat(s.file.c_str(), &status) == 0;
  if (!s.loaded || generation != s.generation || exists != s.haveStatus ||
      (exists && !sameFile(status, s.status))) {
    std::string text;
    if (exists && readWholeFile(s.file, text)) {
      Tree tree;
      parseRegFile(text, tree);
      s.tree = std::move(tree);
    } else {
      s.tree = skeletonTree();
    }
    s.loaded = true;
    s.generation = generation;
    s.haveStatus = exists;
    if (exists) {
      s.status = status;
    }
    ++serial_;
  }

  bool changed = false;
  LONG result = operation(s.tree, changed);
  if (exclusive && changed) {
    if (writeWholeFile(s.file, formatRegFile(s.tree))) {
      s.generation = generation + 1;
      writeGeneration(s.lockFd, s.generation);
      s.haveStatus = ::stat(s.file.c_str(), &s.status) == 0;
    } else {
      s.loaded = false; // the change did not reach the file: forget it at the next operation
      if (result == ERROR_SUCCESS) {
        result = ERROR_CANTWRITE;
      }
    }
  }
  ::flock(s.lockFd, LOCK_UN);
  return result;
}

} // namespace kxemu::registry
