#include <driver/host/server_registration.h>

#include "loaded_library.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

namespace {

using kxtest::LoadedLibrary;

constexpr const char* kClassKey = "CLSID\\{5C3E8A21-7D4B-4F19-A6C2-3B8E9D0F1A64}";
constexpr const char* kServerKey = "CLSID\\{5C3E8A21-7D4B-4F19-A6C2-3B8E9D0F1A64}\\InprocServer32";
constexpr const char* kAsioKey = "SOFTWARE\\ASIO\\Corvanta ASIO driver";

std::string lower(std::string text) {
  for (char& c : text) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return text;
}

// The string value, or "<none>" when the key or value is missing.
std::string stringValue(HKEY root, const char* path, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyA(root, path, &key) != ERROR_SUCCESS) {
    return "<none>";
  }
  char data[512] = {};
  DWORD size = sizeof data - 1;
  DWORD type = 0;
  const LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS && type == REG_SZ ? std::string(data) : "<none>";
}

void setString(HKEY root, const char* path, const char* name, const char* text) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyA(root, path, &key), ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 static_cast<DWORD>(std::strlen(text) + 1));
  RegCloseKey(key);
}

bool keyExists(HKEY root, const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyA(root, path, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

std::string expectedServerFile() { return lower(kxtest::windowsPathOf(KX_CORVANTA_DLL)); }

TEST_F(LoadedLibrary, RegistersClassAndDriver) {
  ASSERT_EQ(registerServer_(), S_OK);
  EXPECT_EQ(stringValue(HKEY_CLASSES_ROOT, kClassKey, nullptr), "Corvanta ASIO driver");
  const std::string file = stringValue(HKEY_CLASSES_ROOT, kServerKey, nullptr);
  EXPECT_EQ(file, lower(file)) << "the file name is stored in lower case";
  EXPECT_EQ(lower(file), expectedServerFile());
  EXPECT_EQ(stringValue(HKEY_CLASSES_ROOT, kServerKey, "ThreadingModel"), "Apartment");
  EXPECT_EQ(stringValue(HKEY_LOCAL_MACHINE, kAsioKey, "CLSID"), "{5C3E8A21-7D4B-4F19-A6C2-3B8E9D0F1A64}");
  EXPECT_EQ(stringValue(HKEY_LOCAL_MACHINE, kAsioKey, "Description"), "Corvanta ASIO driver");
}

TEST_F(LoadedLibrary, RegisteringTwiceKeepsTheClassKeyAndRewritesTheDriverKey) {
  ASSERT_EQ(registerServer_(), S_OK);
  setString(HKEY_CLASSES_ROOT, kClassKey, "Marker", "kept");
  setString(HKEY_LOCAL_MACHINE, kAsioKey, "Marker", "dropped");
  setString(HKEY_LOCAL_MACHINE, "SOFTWARE\\ASIO\\Corvanta ASIO driver\\Old\\Deeper", "Marker", "dropped");
  ASSERT_EQ(registerServer_(), S_OK);
  EXPECT_EQ(stringValue(HKEY_CLASSES_ROOT, kClassKey, "Marker"), "kept");
  EXPECT_EQ(stringValue(HKEY_LOCAL_MACHINE, kAsioKey, "Marker"), "<none>");
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\ASIO\\Corvanta ASIO driver\\Old"));
  EXPECT_EQ(stringValue(HKEY_LOCAL_MACHINE, kAsioKey, "Description"), "Corvanta ASIO driver");
}

TEST_F(LoadedLibrary, AStaleRegistrationOfAnotherFileIsReplaced) {
  setString(HKEY_CLASSES_ROOT, kServerKey, nullptr, "C:\\Old\\Place\\corvanta.dll");
  setString(HKEY_CLASSES_ROOT, "CLSID\\{5C3E8A21-7D4B-4F19-A6C2-3B8E9D0F1A64}\\Extra\\Deeper", "Marker",
            "stale");
  ASSERT_EQ(registerServer_(), S_OK);
  EXPECT_EQ(stringValue(HKEY_CLASSES_ROOT, kServerKey, nullptr), expectedServerFile());
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, "CLSID\\{5C3E8A21-7D4B-4F19-A6C2-3B8E9D0F1A64}\\Extra"));
}

TEST_F(LoadedLibrary, TheSameFileInOtherCaseCountsAsTheSame) {
  std::string upper = kxtest::windowsPathOf(KX_CORVANTA_DLL);
  for (char& c : upper) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  setString(HKEY_CLASSES_ROOT, kServerKey, nullptr, upper.c_str());
  setString(HKEY_CLASSES_ROOT, kClassKey, "Marker", "kept");
  ASSERT_EQ(registerServer_(), S_OK);
  EXPECT_EQ(stringValue(HKEY_CLASSES_ROOT, kClassKey, "Marker"), "kept");
}

TEST_F(LoadedLibrary, UnregisterRemovesBothKeys) {
  ASSERT_EQ(registerServer_(), S_OK);
  setString(HKEY_LOCAL_MACHINE, "SOFTWARE\\ASIO\\Other driver", "CLSID",
            "{00000000-0000-0000-0000-000000000000}");
  ASSERT_EQ(unregisterServer_(), S_OK);
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, kClassKey));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kAsioKey));
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\ASIO\\Other driver")) << "other drivers stay";
  EXPECT_EQ(unregisterServer_(), S_OK) << "nothing left to remove is no failure";
  deleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\ASIO\\Other driver");
}

TEST(ServerRegistration, ModuleNotLoaded) {
  const KxServerIdentity missing = {&kDriverClassId, "no-such-module.dll", "Nobody", "Nobody", "Apartment"};
  EXPECT_EQ(registerServer(missing), kModuleNotFound);
  EXPECT_EQ(unregisterServer(missing), kModuleNotFound);
}

} // namespace
