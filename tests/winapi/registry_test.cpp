// Registry semantics: create/open, values and their sizes, enumeration, deletion, HKCR.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class Registry : public ::testing::Test {
protected:
  void SetUp() override {
    path_ = kxtest::makeTestKeyPath();
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key_, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  }
  void TearDown() override {
    RegCloseKey(key_);
    kxtest::deleteKeyTree(HKEY_CURRENT_USER, path_);
  }
  void setString(HKEY key, const char* name, const char* text) {
    ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                             static_cast<DWORD>(std::strlen(text) + 1)),
              ERROR_SUCCESS);
  }
  std::string path_;
  HKEY key_ = nullptr;
};

TEST_F(Registry, CreateReportsWhetherTheKeyIsNew) {
  HKEY child;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(key_, "Child\\Grandchild", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child,
                            &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  RegCloseKey(child);
  ASSERT_EQ(RegCreateKeyExA(key_, "Child\\Grandchild", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child,
                            &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  RegCloseKey(child);
  ASSERT_EQ(RegOpenKeyExA(key_, "Child", 0, KEY_READ, &child), ERROR_SUCCESS);
  RegCloseKey(child);
  ASSERT_EQ(RegCreateKeyA(key_, "Old\\Style", &child), ERROR_SUCCESS);
  RegCloseKey(child);
  ASSERT_EQ(RegOpenKeyA(key_, "Old\\Style", &child), ERROR_SUCCESS);
  RegCloseKey(child);
}

TEST_F(Registry, MissingKeysAndValues) {
  HKEY child = reinterpret_cast<HKEY>(1);
  EXPECT_EQ(RegOpenKeyExA(key_, "NoSuchKey", 0, KEY_READ, &child), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(child, nullptr);
  EXPECT_EQ(RegOpenKeyA(key_, "NoSuch\\Deeper", &child), ERROR_FILE_NOT_FOUND);
  DWORD size = 4, type = 0;
  BYTE data[4];
  EXPECT_EQ(RegQueryValueExA(key_, "NoSuchValue", nullptr, &type, data, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExA(key_, nullptr, nullptr, &type, data, &size), ERROR_FILE_NOT_FOUND); // no default
  EXPECT_EQ(RegDeleteValueA(key_, "NoSuchValue"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyA(key_, "NoSuchKey"), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, QuerySizesAndMoreData) {
  setString(key_, "Greeting", "hello");
  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExA(key_, "Greeting", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 6u);
  char small[3] = {};
  size = sizeof small;
  type = 0;
  EXPECT_EQ(RegQueryValueExA(key_, "Greeting", nullptr, &type, reinterpret_cast<BYTE*>(small), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(type, REG_SZ);
  char text[16] = {};
  size = sizeof text;
  EXPECT_EQ(RegQueryValueExA(key_, "Greeting", nullptr, &type, reinterpret_cast<BYTE*>(text), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 6u);
  EXPECT_STREQ(text, "hello");
  EXPECT_EQ(RegQueryValueExA(key_, "Greeting", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS); // exists
}

TEST_F(Registry, TypesAreStoredFaithfully) {
  const DWORD dword = 0x12345678;
  ASSERT_EQ(RegSetValueExA(key_, "Dword", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dword), 4),
            ERROR_SUCCESS);
  const BYTE binary[5] = {0, 1, 0xFE, 0xFF, 7};
  ASSERT_EQ(RegSetValueExA(key_, "Binary", 0, REG_BINARY, binary, 5), ERROR_SUCCESS);
  const char multi[] = "one\0two\0\0";
  ASSERT_EQ(RegSetValueExA(key_, "Multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), 9),
            ERROR_SUCCESS);
  const char expand[] = "%SystemRoot%\\x";
  ASSERT_EQ(
      RegSetValueExA(key_, "Expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expand), sizeof expand),
      ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key_, "Empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);

  BYTE buffer[64];
  DWORD type, size;
  size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExA(key_, "Dword", nullptr, &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(size, 4u);
  DWORD read;
  std::memcpy(&read, buffer, 4);
  EXPECT_EQ(read, dword);
  size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExA(key_, "Binary", nullptr, &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_BINARY);
  ASSERT_EQ(size, 5u);
  EXPECT_EQ(std::memcmp(buffer, binary, 5), 0);
  size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExA(key_, "Multi", nullptr, &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_MULTI_SZ);
  ASSERT_EQ(size, 9u);
  EXPECT_EQ(std::memcmp(buffer, multi, 9), 0);
  size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExA(key_, "Expand", nullptr, &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_EXPAND_SZ);
  EXPECT_STREQ(reinterpret_cast<char*>(buffer), expand);
  size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExA(key_, "Empty", nullptr, &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 0u);
}

TEST_F(Registry, StringLengthWithoutTheTerminator) {
  // The driver's registration writes REG_SZ values with the length of the text, without its
  // zero. When the zero follows the data, NT counts it anyway.
  ASSERT_EQ(RegSetValueExA(key_, "Counted", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3),
            ERROR_SUCCESS);
  DWORD size = 0, type = 0;
  ASSERT_EQ(RegQueryValueExA(key_, "Counted", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 4u);
  // Without a zero after the data the value is stored as given; reading it back NT adds a
  // zero after it when the buffer has room, and reports the stored size.
  const char unterminated[4] = {'x', 'y', 'z', '!'};
  ASSERT_EQ(RegSetValueExA(key_, "Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(unterminated), 3),
            ERROR_SUCCESS);
  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExA(key_, "Bare", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(std::string(buffer, 3), "xyz");
  EXPECT_EQ(buffer[3], '\0');
}

TEST_F(Registry, NamesIgnoreCaseAndKeepTheirSpelling) {
  HKEY child;
  ASSERT_EQ(RegCreateKeyA(key_, "MixedCase", &child), ERROR_SUCCESS);
  setString(child, "ValueName", "v");
  RegCloseKey(child);
  ASSERT_EQ(RegOpenKeyExA(key_, "MIXEDcase", 0, KEY_ALL_ACCESS, &child), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(child, "valuename", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  char name[64];
  DWORD nameSize = sizeof name;
  ASSERT_EQ(RegEnumValueA(child, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(name, "ValueName");
  EXPECT_EQ(nameSize, 9u);
  setString(child, "VALUENAME", "w"); // the same value
  DWORD count = 0;
  ASSERT_EQ(RegQueryInfoKeyA(child, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                             nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(count, 1u);
  RegCloseKey(child);
  ASSERT_EQ(RegEnumKeyA(key_, 0, name, sizeof name), ERROR_SUCCESS);
  EXPECT_STREQ(name, "MixedCase");
}

TEST_F(Registry, EnumeratesSubkeysInOrderAndEnds) {
  for (const char* name : {"beta", "Alpha", "gamma"}) {
    HKEY child;
    ASSERT_EQ(RegCreateKeyA(key_, name, &child), ERROR_SUCCESS);
    RegCloseKey(child);
  }
  char name[64];
  ASSERT_EQ(RegEnumKeyA(key_, 0, name, sizeof name), ERROR_SUCCESS);
  EXPECT_STREQ(name, "Alpha");
  ASSERT_EQ(RegEnumKeyA(key_, 1, name, sizeof name), ERROR_SUCCESS);
  EXPECT_STREQ(name, "beta");
  ASSERT_EQ(RegEnumKeyA(key_, 2, name, sizeof name), ERROR_SUCCESS);
  EXPECT_STREQ(name, "gamma");
  EXPECT_EQ(RegEnumKeyA(key_, 3, name, sizeof name), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegEnumKeyA(key_, 0, name, 3), ERROR_MORE_DATA);
  DWORD nameSize = sizeof name;
  ASSERT_EQ(RegEnumKeyExA(key_, 2, name, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(nameSize, 5u);
  DWORD subKeys = 0, longest = 0;
  ASSERT_EQ(RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, &subKeys, &longest, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 3u);
  EXPECT_EQ(longest, 5u);
}

TEST_F(Registry, EnumeratesValuesWithSizes) {
  setString(key_, "First", "1");
  const DWORD two = 2;
  RegSetValueExA(key_, "Second", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&two), 4);
  char name[64];
  BYTE data[64];
  DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
  ASSERT_EQ(RegEnumValueA(key_, 1, name, &nameSize, nullptr, &type, data, &dataSize), ERROR_SUCCESS);
  EXPECT_STREQ(name, "Second");
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(dataSize, 4u);
  nameSize = sizeof name;
  dataSize = 1;
  EXPECT_EQ(RegEnumValueA(key_, 1, name, &nameSize, nullptr, &type, data, &dataSize), ERROR_MORE_DATA);
  EXPECT_EQ(dataSize, 4u);
  nameSize = sizeof name;
  dataSize = sizeof data;
  EXPECT_EQ(RegEnumValueA(key_, 2, name, &nameSize, nullptr, &type, data, &dataSize), ERROR_NO_MORE_ITEMS);
}

TEST_F(Registry, KeyWithSubkeysCannotBeDeleted) {
  HKEY child;
  ASSERT_EQ(RegCreateKeyA(key_, "Parent\\Child", &child), ERROR_SUCCESS);
  RegCloseKey(child);
  EXPECT_EQ(RegDeleteKeyA(key_, "Parent"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(key_, "Parent\\Child"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(key_, "Parent"), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyA(key_, "Parent", &child), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, HandleOnADeletedKeyReportsKeyDeleted) {
  HKEY first, second;
  ASSERT_EQ(RegCreateKeyA(key_, "Doomed", &first), ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyExA(key_, "Doomed", 0, KEY_ALL_ACCESS, &second), ERROR_SUCCESS);
  setString(first, "v", "1");
  ASSERT_EQ(RegDeleteKeyA(key_, "Doomed"), ERROR_SUCCESS);
  const char* text = "x";
  EXPECT_EQ(RegSetValueExA(second, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), 2),
            ERROR_KEY_DELETED);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(first, "v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  HKEY child;
  EXPECT_EQ(RegCreateKeyA(second, "Below", &child), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(first), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(second), ERROR_SUCCESS);
  // A key created again under the name is a new key.
  ASSERT_EQ(RegCreateKeyA(key_, "Doomed", &first), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(first, "v", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(first);
}

TEST_F(Registry, ReadOnlyHandleCannotWrite) {
  HKEY readOnly;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ, &readOnly), ERROR_SUCCESS);
  const DWORD one = 1;
  EXPECT_EQ(RegSetValueExA(readOnly, "v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4),
            ERROR_ACCESS_DENIED);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(readOnly, "v", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  HKEY writeOnly;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_SET_VALUE, &writeOnly), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(writeOnly, "v", nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
  // Creating a subkey is checked against the key's security, not the parent handle's rights.
  HKEY child;
  EXPECT_EQ(RegCreateKeyExA(readOnly, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(child);
  RegCloseKey(writeOnly);
  RegCloseKey(readOnly);
}

TEST_F(Registry, DefaultValueThroughTheOldCalls) {
  ASSERT_EQ(RegSetValueA(key_, "WithDefault", REG_SZ, "the default", 0), ERROR_SUCCESS);
  char text[32] = {};
  LONG size = sizeof text;
  ASSERT_EQ(RegQueryValueA(key_, "WithDefault", text, &size), ERROR_SUCCESS);
  EXPECT_STREQ(text, "the default");
  EXPECT_EQ(size, 12);
  HKEY child;
  ASSERT_EQ(RegCreateKeyA(key_, "NoDefault", &child), ERROR_SUCCESS);
  RegCloseKey(child);
  size = sizeof text;
  text[0] = 'x';
  ASSERT_EQ(RegQueryValueA(key_, "NoDefault", text, &size), ERROR_SUCCESS);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(size, 1);
  DWORD type = 0, dsize = sizeof text;
  ASSERT_EQ(RegOpenKeyA(key_, "WithDefault", &child), ERROR_SUCCESS);
  ASSERT_EQ(RegQueryValueExA(child, "", nullptr, &type, reinterpret_cast<BYTE*>(text), &dsize),
            ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_STREQ(text, "the default");
  RegCloseKey(child);
}

TEST_F(Registry, DeleteValue) {
  setString(key_, "Gone", "soon");
  EXPECT_EQ(RegDeleteValueA(key_, "GONE"), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key_, "Gone", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
}

TEST(RegistryRoots, ClassesRootIsLocalMachineSoftwareClasses) {
  const std::string name = kxtest::uniqueName("CorvantaWinapiTest");
  HKEY viaMachine;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, ("SOFTWARE\\Classes\\" + name).c_str(), &viaMachine),
            ERROR_SUCCESS);
  const char* text = "set through HKLM";
  RegSetValueExA(viaMachine, "Where", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 static_cast<DWORD>(std::strlen(text) + 1));
  HKEY viaClasses;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, name.c_str(), 0, KEY_ALL_ACCESS, &viaClasses), ERROR_SUCCESS);
  char buffer[64] = {};
  DWORD size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExA(viaClasses, "Where", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(buffer, text);
  HKEY sub;
  ASSERT_EQ(RegCreateKeyA(viaClasses, "InprocServer32", &sub), ERROR_SUCCESS);
  RegCloseKey(sub);
  ASSERT_EQ(RegOpenKeyA(viaMachine, "InprocServer32", &sub), ERROR_SUCCESS);
  RegCloseKey(sub);
  RegCloseKey(viaClasses);
  RegCloseKey(viaMachine);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, (name + "\\InprocServer32").c_str()), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, name.c_str()), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, ("SOFTWARE\\Classes\\" + name).c_str(), &sub),
            ERROR_FILE_NOT_FOUND);
}

TEST(RegistryRoots, PredefinedKeysAndBadHandles) {
  EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", 0,
                          KEY_READ, &key),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

} // namespace
