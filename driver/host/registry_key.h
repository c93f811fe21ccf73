#pragma once

#include <kxtools/inc/kxstring.h>

#include <cstdint>
#include <memory>

// A key below HKEY_LOCAL_MACHINE, named by its path. Every operation opens the key, does
// its work and closes it again: the object never holds an open key.
class KxRegistryKey {
public:
  explicit KxRegistryKey(const KxString& path) : path_(path) {}
  virtual ~KxRegistryKey() = default;

  const KxString& path() const { return path_; }
  std::unique_ptr<KxRegistryKey> subKey(const char* name) const;

  // True only for an existing REG_DWORD value of 4 bytes; value is set only then.
  bool readDword(const char* name, std::uint32_t& value) const;
  // Creates the key and missing parents when needed.
  bool writeDword(const char* name, std::uint32_t value) const;
  // True for an existing REG_SZ value; text receives it.
  bool readString(const char* name, KxString& text) const;
  bool writeString(const char* name, const char* text) const;

  // Opens a path below HKEY_LOCAL_MACHINE, creating it when absent; true when it exists
  // afterwards.
  static bool ensureKey(const char* path);

private:
  KxString path_;
};
