#pragma once

// The emulated registry: an in-memory tree per process, kept in step with one file in the
// system root that every process of that root shares.
//
// File: root/registry.reg, "Windows Registry Editor Version 5.00" text (UTF-8, LF line ends):
// a "[HKEY_LOCAL_MACHINE\...]" line per key, then its values in the standard notations
// ("name"="text", dword:0000002a, hex:.., hex(2):/hex(7):/hex(1): with UTF-16LE bytes, hex(N):
// for other types, @ for the default value). HKEY_CLASSES_ROOT is written as the
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes it stands for.
//
// Sharing: every operation runs under a process mutex and an flock on root/registry.lock
// (shared for reads, exclusive for changes). The lock file also holds a change counter that
// each writer increments; before an operation the process reloads the file when the counter
// or the file's identity (inode, size, modification time) changed since it last looked. A
// change is written to a temporary file that is renamed over registry.reg, so readers never
// see half a file. Two processes writing at once therefore lose nothing.
//
// Names of keys and values compare ignoring case and keep the spelling they were created
// with; subkeys are listed in case-insensitive order, values in the order they were created.
#include <winapi/include/winapi.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kxemu::registry {

struct Value {
  std::string name;
  DWORD type = REG_NONE;
  std::string data; // the bytes as the A functions see them (strings in the ANSI code page)
};

struct Key {
  std::string name;
  std::map<std::string, std::shared_ptr<Key>> children; // by upper-case name
  std::vector<Value> values;
  bool deleted = false;
  FILETIME lastWrite{};

  Value* findValue(std::string_view valueName);
  Key* findChild(std::string_view childName) const;
  // The existing child, or a new one.
  Key* child(const std::string& childName, bool* created = nullptr);
  void touch();
};

enum Hive { kLocalMachine = 0, kCurrentUser = 1, kUsers = 2, kHiveCount = 3 };
const char* hiveName(int hive);

struct Tree {
  std::shared_ptr<Key> hives[kHiveCount];
  Tree();
};

// A new tree with the keys every Windows installation has.
Tree skeletonTree();

// The text form. Parsing is lenient: lines it cannot read are skipped.
std::string formatRegFile(const Tree& tree);
void parseRegFile(const std::string& text, Tree& tree);

// Splits "a\b\c" into its parts; false for a leading backslash (ERROR_BAD_PATHNAME).
bool splitKeyPath(const char* path, std::vector<std::string>& parts);

class Store {
public:
  static Store& instance();

  // Runs an operation on the current tree. For changes, the operation sets `changed` when it
  // changed the tree; the file is then rewritten (ERROR_CANTWRITE when that fails).
  LONG read(const std::function<LONG(Tree&)>& operation);
  LONG write(const std::function<LONG(Tree&, bool& changed)>& operation);

  // Changes whenever the tree is replaced by one loaded from the file (called under the lock).
  unsigned long long serial() const { return serial_; }

  struct Impl; // the state behind the store (registry_store.cpp)

private:
  Store() = default;
  LONG run(bool exclusive, const std::function<LONG(Tree&, bool& changed)>& operation);

  unsigned long long serial_ = 0;
};

} // namespace kxemu::registry
