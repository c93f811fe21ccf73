// The registry functions of advapi32 on the emulated registry (registry_store.h).
//
// An open key is a kernel object holding its hive, its path and the tree node it was opened
// on. A key deleted through any handle of this process marks its node, so other handles on
// it get ERROR_KEY_DELETED, as on Windows. When the tree is reloaded because another process
// changed the file, handles find their key again by path; one whose key is gone by then
// reports ERROR_KEY_DELETED from then on (a key deleted and recreated by another process
// between two reloads is taken as the same key).
#include <winapi/emu/advapi32/registry_store.h>
#include <winapi/emu/internal/codepage.h>
#include <winapi/emu/internal/errors.h>
#include <winapi/emu/internal/handles.h>

#include <cstring>

namespace kxemu::registry {
namespace {

class KeyObject : public KernelObject {
public:
  KeyObject() : KernelObject(ObjectKind::Key) {}
  int hive = kLocalMachine;
  std::vector<std::string> path;
  std::shared_ptr<Key> node;
  unsigned long long serial = 0;
  REGSAM access = KEY_ALL_ACCESS;
  bool lost = false; // found missing after a reload
};

UINT_PTR predefinedValue(HKEY key) { return reinterpret_cast<UINT_PTR>(key); }

// What a handle argument names: a predefined key or an open key.
struct Target {
  bool predefined = false;
  int hive = kLocalMachine;
  bool classes = false; // HKEY_CLASSES_ROOT: HKLM\SOFTWARE\Classes
  std::shared_ptr<KeyObject> object;
};

LONG targetOf(HKEY key, Target& target) {
  const UINT_PTR value = predefinedValue(key);
  if (value == predefinedValue(HKEY_CLASSES_ROOT)) {
    target.predefined = true;
    target.classes = true;
  } else if (value == predefinedValue(HKEY_LOCAL_MACHINE)) {
    target.predefined = true;
  } else if (value == predefinedValue(HKEY_CURRENT_USER)) {
    target.predefined = true;
    target.hive = kCurrentUser;
  } else if (value == predefinedValue(HKEY_USERS)) {
    target.predefined = true;
    target.hive = kUsers;
  } else {
    target.object = lookupHandle<KeyObject>(reinterpret_cast<HANDLE>(key), ObjectKind::Key);
    if (!target.object) {
      return ERROR_INVALID_HANDLE;
    }
    target.hive = target.object->hive;
  }
  return ERROR_SUCCESS;
}

std::shared_ptr<Key> childShared(const Key& parent, std::string_view name) {
  auto it = parent.children.find(upperCase(name));
  return it == parent.children.end() ? nullptr : it->second;
}

// The node a target names in the current tree, and its path from the hive.
LONG nodeOf(Tree& tree, Target& target, std::shared_ptr<Key>& node, std::vector<std::string>& path) {
  if (target.predefined) {
    node = tree.hives[target.hive];
    path.clear();
    if (target.classes) {
      for (const char* part : {"SOFTWARE", "Classes"}) {
        node->child(part);
        node = childShared(*node, part);
        path.push_back(node->name);
      }
    }
    return ERROR_SUCCESS;
  }
  KeyObject& object = *target.object;
  if (object.lost || object.node->deleted) {
    return ERROR_KEY_DELETED;
  }
  if (object.serial != Store::instance().serial()) {
    std::shared_ptr<Key> found = tree.hives[object.hive];
    for (const auto& part : object.path) {
      found = found ? childShared(*found, part) : nullptr;
    }
    if (!found) {
      object.lost = true;
      return ERROR_KEY_DELETED;
    }
    object.node = found;
    object.serial = Store::instance().serial();
  }
  node = object.node;
  path = object.path;
  return ERROR_SUCCESS;
}

REGSAM accessOf(const Target& target) { return target.predefined ? KEY_ALL_ACCESS : target.object->access; }

REGSAM normaliseAccess(REGSAM desired) {
  REGSAM access = desired & ~REGSAM{KEY_WOW64_32KEY | KEY_WOW64_64KEY};
  if (access & (MAXIMUM_ALLOWED | GENERIC_ALL)) {
    access |= KEY_ALL_ACCESS;
  }
  if (access & GENERIC_READ) {
    access |= KEY_READ;
  }
  if (access & GENERIC_WRITE) {
    access |= KEY_WRITE;
  }
  if (access & GENERIC_EXECUTE) {
    access |= KEY_EXECUTE;
  }
  return access;
}

HKEY newHandle(int hive, std::vector<std::string> path, std::shared_ptr<Key> node, REGSAM access) {
  auto object = std::make_shared<KeyObject>();
  object->hive = hive;
  object->path = std::move(path);
  object->node = std::move(node);
  object->serial = Store::instance().serial();
  object->access = normaliseAccess(access);
  return reinterpret_cast<HKEY>(insertHandle(std::move(object)));
}

bool isStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// Copies a value's data out with the RegQueryValueEx contract.
LONG copyData(const Value& value, LPDWORD type, LPBYTE data, LPDWORD size) {
  if (type) {
    *type = value.type;
  }
  const auto needed = static_cast<DWORD>(value.data.size());
  if (data) {
    if (*size < needed) {
      *size = needed;
      return ERROR_MORE_DATA;
    }
    std::memcpy(data, value.data.data(), needed);
    // Like NT, add a terminating zero to an unterminated string when there is room for it
    // (the size reported stays the stored size).
    if (isStringType(value.type) && needed < *size && (needed == 0 || value.data.back() != '\0')) {
      data[needed] = 0;
    }
  }
  if (size) {
    *size = needed;
  }
  return ERROR_SUCCESS;
}

LONG openOrCreate(HKEY key, LPCSTR subKey, REGSAM desired, bool create, PHKEY result, LPDWORD disposition) {
  if (!result) {
    return ERROR_INVALID_PARAMETER;
  }
  *result = nullptr;
  Target target;
  if (LONG status = targetOf(key, target)) {
    return status;
  }
  std::vector<std::string> parts;
  if (!splitKeyPath(subKey, parts)) {
    return ERROR_BAD_PATHNAME;
  }
  auto body = [&](Tree& tree, bool& changed) -> LONG {
    std::shared_ptr<Key> node;
    std::vector<std::string> path;
    if (LONG status = nodeOf(tree, target, node, path)) {
      return status;
    }
    bool createdAny = false;
    for (const std::string& part : parts) {
      std::shared_ptr<Key> next = childShared(*node, part);
      if (!next) {
        if (!create) {
          return ERROR_FILE_NOT_FOUND;
        }
        // As in Windows (and Wine) the parent handle's own access rights do not matter here:
        // creation is checked against the key's security, which lets the emulated
        // administrator do everything.
        node->child(part);
        next = childShared(*node, part);
        createdAny = true;
        changed = true;
      }
      path.push_back(next->name);
      node = next;
    }
    if (disposition) {
      *disposition = createdAny ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    }
    *result = newHandle(target.hive, std::move(path), std::move(node), desired);
    return ERROR_SUCCESS;
  };
  return create ? Store::instance().write(body) : Store::instance().read([&](Tree& tree) {
    bool unused = false;
    return body(tree, unused);
  });
}

// Finds the key below a target's node along parts (all of them must exist).
std::shared_ptr<Key> descend(std::shared_ptr<Key> node, const std::vector<std::string>& parts, Key** parent) {
  if (parent) {
    *parent = nullptr;
  }
  for (const auto& part : parts) {
    std::shared_ptr<Key> next = childShared(*node, part);
    if (!next) {
      return nullptr;
    }
    if (parent) {
      *parent = node.get();
    }
    node = next;
  }
  return node;
}

void markDeleted(Key& key) {
  key.deleted = true;
  for (auto& [upper, child] : key.children) {
    markDeleted(*child);
  }
}

size_t copyName(const std::string& name, LPSTR buffer) {
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  return name.size();
}

} // namespace
} // namespace kxemu::registry

using namespace kxemu;
using namespace kxemu::registry;

extern "C" LSTATUS WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM desired, PHKEY result) {
  return openOrCreate(key, subKey, desired, false, result, nullptr);
}

extern "C" LSTATUS WINAPI RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
  if (!result) {
    return ERROR_INVALID_PARAMETER;
  }
  if (!subKey || !*subKey) {
    Target target;
    if (LONG status = targetOf(key, target)) {
      return status;
    }
    *result = key; // the same handle, as documented
    return ERROR_SUCCESS;
  }
  return openOrCreate(key, subKey, MAXIMUM_ALLOWED, false, result, nullptr);
}

extern "C" LSTATUS WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM desired,
                                          const SECURITY_ATTRIBUTES*, PHKEY result, LPDWORD disposition) {
  return openOrCreate(key, subKey, desired, true, result, disposition);
}

extern "C" LSTATUS WINAPI RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
  if (!result) {
    return ERROR_INVALID_PARAMETER;
  }
  if (!subKey || !*subKey) {
    Target target;
    if (LONG status = targetOf(key, target)) {
      return status;
    }
    *result = key;
    return ERROR_SUCCESS;
  }
  return openOrCreate(key, subKey, MAXIMUM_ALLOWED, true, result, nullptr);
}

extern "C" LSTATUS WINAPI RegCloseKey(HKEY key) {
  Target target;
  if (LONG status = targetOf(key, target)) {
    return status;
  }
  if (target.predefined) {
    return ERROR_SUCCESS;
  }
  target.object.reset();
  return removeHandle(reinterpret_cast<HANDLE>(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

extern "C" LSTATUS WINAPI RegFlushKey(HKEY key) {
  Target target;
  return targetOf(key, target);
}

extern "C" LSTATUS WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  if (!subKey) {
    return ERROR_INVALID_PARAMETER;
  }
  Target target;
  if (LONG status = targetOf(key, target)) {
    return status;
  }
  std::vector<std::string> parts;
  if (!splitKeyPath(subKey, parts)) {
    return ERROR_BAD_PATHNAME;
  }
  return Store::instance().write([&](Tree& tree, bool& changed) -> LONG {
    std::shared_ptr<Key> node;
    std::vector<std::string> path;
    if (LONG status = nodeOf(tree, target, node, path)) {
      return status;
    }
    Key* parent = nullptr;
    std::shared_ptr<Key> victim = descend(node, parts, &parent);
    if (!victim) {
      return ERROR_FILE_NOT_FOUND;
    }
    if (parts.empty()) {
      // The key of the handle itself: find its parent along the full path.
      if (target.predefined || path.empty()) {
        return ERROR_ACCESS_DENIED;
      }
      std::vector<std::string> parentPath(path.begin(), path.end() - 1);
      std::shared_ptr<Key> p = descend(tree.hives[target.hive], parentPath, nullptr);
      parent = p.get();
      if (!parent) {
        return ERROR_KEY_DELETED;
      }
    }
    if (target.classes && parts.empty()) {
      return ERROR_ACCESS_DENIED;
    }
    if (!victim->children.empty()) {
      return ERROR_ACCESS_DENIED; // NT deletes only keys without subkeys
    }
    parent->children.erase(upperCase(victim->name));
    parent->touch();
    markDeleted(*victim);
    changed = true;
    return ERROR_SUCCESS;
  });
}

extern "C" LSTATUS WINAPI RegDeleteTreeA(HKEY key, LPCSTR subKey) {
  Target target;
  if (LONG status = targetOf(key, target)) {
    return status;
  }
  std::vector<std::string> parts;
  if (!splitKeyPath(subKey, parts)) {
    return ERROR_BAD_PATHNAME;
  }
  return Store::instance().write([&](Tree& tree, bool& changed) -> LONG {
    std::shared_ptr<Key> node;
    std::vector<std::string> path;
    if (LONG status = nodeOf(tree, target, node, path)) {
      return status;
    }
    Key* parent = nullptr;
    std::shared_ptr<Key> victim = descend(node, parts, &parent);
    if (!victim) {
      return ERROR_FILE_NOT_FOUND;
    }
    if (parts.empty()) {
      // Without a subkey: the key's values and subkeys go, the key stays.
      for (auto& [upper, child] : victim->children) {
        markDeleted(*child);
      }
      victim->children.clear();
      victim->values.clear();
    } else {
      parent->children.erase(upperCase(victim->name));
      parent->touch();
      markDeleted(*victim);
    }
    changed = true;
    return ERROR_SUCCESS;
  });
}

extern "C" LSTATUS WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName) {
  Target target;
  if (LONG status = targetOf(key, target)) {
    return status;
  }
  if (!(accessOf(target) & KEY_SET_VALUE)) {
    return ERROR_ACCESS_DENIED;
  }
  const std::string name = valueName ? valueName : "";
  return Store::instance().write([&](Tree& tree, bool& changed) -> LONG {
    std::shared_ptr<Key> node;
    std::vector<std::string> path;
    if (LONG status = nodeOf(tree, target, node, path)) {
      return status;
    }
    for (auto it = node->values.begin(); it != node->values.end(); ++it) {
      if (equalsIgnoreCase(it->name, name)) {
        node->values.erase(it);
        node->touch();
        changed = true;
        return ERROR_SUCCESS;
      }
    }
    return ERROR_FILE_NOT_FOUND;
  });
}

extern "C" LSTATUS WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data,
                                         DWORD dataSize) {
  Target target;
  if (LONG status = targetOf(key, target)) {
    return status;
  }
  if (!(accessOf(target) & KEY_SET_VALUE)) {
    return ERROR_ACCESS_DENIED;
  }
  if (!data && dataSize) {
    return ERROR_NOACCESS;
  }
  // NT counts a string's terminating zero the caller left out when it follows the data
  // (the driver's registration passes the text's length without it): the stored value then
  // has it.
  if (data && dataSize && isStringType(type) && data[dataSize - 1] != 0 && data[dataSize] == 0) {
    ++dataSize;
  }
  const std::string name = valueName ? valueName : "";
  const std::string bytes = data ? std::string(reinterpret_cast<const char*>(data), dataSize) : std::string();
  return Store::instance().write([&](Tree& tree, bool& changed) -> LONG {
    std::shared_ptr<Key> node;
    std::vector<std::string> path;
    if (LONG status = nodeOf(tree, target, node, path)) {
      return status;
    }
    if (Value* existing = node->findValue(name)) {
      existing->type = type;
      existing->data = bytes;
    } else {
      node->values.push_back(Value{name, type, bytes});
    }
    node->touch();
    changed = true;
    return ERROR_SUCCESS;
  });
}

extern "C" LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                                           LPDWORD dataSize) {
  Target target;
  if (LONG status = targetOf(key, target)) {
    return status;
  }
  if (!(accessOf(target) & KEY_QUERY_VALUE)) {
    return ERROR_ACCESS_DENIED;
  }
  if (data && !dataSize) {
    return ERROR_INVALID_PARAMETER;
  }
  const std::string name = valueName ? valueName : "";
  return Store::instance().read([&](Tree& tree) -> LONG {
    std::shared_ptr<Key> node;
    std::vector<std::string> path;
    if (LONG status = nodeOf(tree, target, node, path)) {
      return status;
    }
    const Value* value = node->findValue(name);
    if (!value) {
      return ERROR_FILE_NOT_FOUND;
    }
    return copyData(*value, type, data, dataSize);
  });
}

extern "C" LSTATUS WINAPI RegSetValueA(HKEY key, LPCSTR subKey, DWORD type, LPCSTR data, DWORD) {
  if (type != REG_SZ || !data) {
    return ERROR_INVALID_PARAMETER;
  }
  HKEY target = key;
  if (subKey && *subKey) {
    if (LONG status = RegCreateKeyExA(key, subKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &target, nullptr)) {
      return status;
    }
  }
  const LONG status = RegSetValueExA(target, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                                     static_cast<DWORD>(std::strlen(data) + 1));
  if (target != key) {
    RegCloseKey(target);
  }
  return status;
}

extern "C" LSTATUS WINAPI RegQueryValueA(HKEY key, LPCSTR subKey, LPSTR data, PLONG dataSize) {
  HKEY target = key;
  if (subKey && *subKey) {
    if (LONG status = RegOpenKeyExA(key, subKey, 0, KEY_QUERY_VALUE, &target)) {
      return status;
    }
  }
  DWORD size = dataSize ? static_cast<DWORD>(*dataSize) : 0;
  LONG status = RegQueryValueExA(target, nullptr, nullptr, nullptr, reinterpret_cast<LPBYTE>(data),
                                 dataSize ? &size : nullptr);
  if (status == ERROR_FILE_NOT_FOUND) {
    // A key without a default value reads as the empty string.
    if (data && dataSize && *dataSize > 0) {
      data[0] = '\0';
    }
    size = 1;
    status = ERROR_SUCCESS;
  }
  if (dataSize) {
    *dataSize = static_cast<LONG>(size);
  }
  if (target != key) {
    RegCloseKey(target);
  }
  return status;
}

extern "C" LSTATUS WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD,
                                        LPSTR keyClass, LPDWORD classSize, PFILETIME lastWriteTime) {
  if (!name || !nameSize) {
    return ERROR_INVALID_PARAMETER;
  }
  Target target;
  if (LONG status = targetOf(key, target)) {
    return status;
  }
  if (!(accessOf(target) & KEY_ENUMERATE_SUB_KEYS)) {
    return ERROR_ACCESS_DENIED;
  }
  return Store::instance().read([&](Tree& tree) -> LONG {
    std::shared_ptr<Key> node;
    std::vector<std::string> path;
    if (LONG status = nodeOf(tree, target, node, path)) {
      return status;
    }
    if (index >= node->children.size()) {
      return ERROR_NO_MORE_ITEMS;
    }
    auto it = node->children.begin();
    std::advance(it, index);
    const Key& child = *it->second;
    if (child.name.size() >= *nameSize) {
      return ERROR_MORE_DATA;
    }
    *nameSize = static_cast<DWORD>(copyName(child.name, name));
    if (keyClass && classSize && *classSize > 0) {
      keyClass[0] = '\0';
    }
    if (classSize) {
      *classSize = 0;
    }
    if (lastWriteTime) {
      *lastWriteTime = child.lastWrite;
    }
    return ERROR_SUCCESS;
  });
}

extern "C" LSTATUS WINAPI RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD nameSize) {
  DWORD size = nameSize;
  return RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
}

extern "C" LSTATUS WINAPI RegEnumValueA(HKEY key, DWORD index, LPSTR valueName, LPDWORD valueNameSize,
                                        LPDWORD, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  if (!valueName || !valueNameSize || (data && !dataSize)) {
    return ERROR_INVALID_PARAMETER;
  }
  Target target;
  if (LONG status = targetOf(key, target)) {
    return status;
  }
  if (!(accessOf(target) & KEY_QUERY_VALUE)) {
    return ERROR_ACCESS_DENIED;
  }
  return Store::instance().read([&](Tree& tree) -> LONG {
    std::shared_ptr<Key> node;
    std::vector<std::string> path;
    if (LONG status = nodeOf(tree, target, node, path)) {
      return status;
    }
    if (index >= node->values.size()) {
      return ERROR_NO_MORE_ITEMS;
    }
    const Value& value = node->values[index];
    if (value.name.size() >= *valueNameSize) {
      if (dataSize) {
        *dataSize = static_cast<DWORD>(value.data.size());
      }
      return ERROR_MORE_DATA;
    }
    const LONG status = copyData(value, type, data, dataSize);
    if (status == ERROR_SUCCESS) {
      *valueNameSize = static_cast<DWORD>(copyName(value.name, valueName));
    }
    return status;
  });
}

extern "C" LSTATUS WINAPI RegQueryInfoKeyA(HKEY key, LPSTR keyClass, LPDWORD classSize, LPDWORD,
                                           LPDWORD subKeys, LPDWORD maxSubKeyLength, LPDWORD maxClassLength,
                                           LPDWORD values, LPDWORD maxValueNameLength, LPDWORD maxValueLength,
                                           LPDWORD securityDescriptorSize, PFILETIME lastWriteTime) {
  Target target;
  if (LONG status = targetOf(key, target)) {
    return status;
  }
  if (!(accessOf(target) & KEY_QUERY_VALUE)) {
    return ERROR_ACCESS_DENIED;
  }
  return Store::instance().read([&](Tree& tree) -> LONG {
    std::shared_ptr<Key> node;
    std::vector<std::string> path;
    if (LONG status = nodeOf(tree, target, node, path)) {
      return status;
    }
    DWORD longestKey = 0, longestName = 0, longestData = 0;
    for (const auto& [upper, child] : node->children) {
      longestKey = std::max(longestKey, static_cast<DWORD>(child->name.size()));
    }
    for (const auto& value : node->values) {
      longestName = std::max(longestName, static_cast<DWORD>(value.name.size()));
      longestData = std::max(longestData, static_cast<DWORD>(value.data.size()));
    }
    if (keyClass && classSize && *classSize > 0) {
      keyClass[0] = '\0';
    }
    if (classSize) {
      *classSize = 0;
    }
    if (subKeys) {
      *subKeys = static_cast<DWORD>(node->children.size());
    }
    if (maxSubKeyLength) {
      *maxSubKeyLength = longestKey;
    }
    if (maxClassLength) {
      *maxClassLength = 0;
    }
    if (values) {
      *values = static_cast<DWORD>(node->values.size());
    }
    if (maxValueNameLength) {
      *maxValueNameLength = longestName;
    }
    if (maxValueLength) {
      *maxValueLength = longestData;
    }
    if (securityDescriptorSize) {
      *securityDescriptorSize = 0;
    }
    if (lastWriteTime) {
      *lastWriteTime = node->lastWrite;
    }
    return ERROR_SUCCESS;
  });
}
