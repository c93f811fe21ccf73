// COM activation of an in-process server through its registered InprocServer32 path, and
// the module calls on libraries loaded from the host and from inside the root.
#include <winapi/include/emu/kxemu.h>

#include "../test_support.h"
#include "test_server.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const std::string kServerHostPath = KX_TEST_SERVER;

std::string clsidText(REFCLSID clsid) {
  LPOLESTR wide = nullptr;
  StringFromCLSID(clsid, &wide);
  char text[64];
  WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
  CoTaskMemFree(wide);
  return text;
}

void registerServer(const std::string& path) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT,
                          ("CLSID\\" + clsidText(kTestServerClass) + "\\InprocServer32").c_str(), &key),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                           static_cast<DWORD>(path.size())),
            ERROR_SUCCESS);
  RegSetValueExA(key, "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>("Apartment"), 9);
  RegCloseKey(key);
}

TestServerCountsFunction countsOf(HMODULE module) {
  return reinterpret_cast<TestServerCountsFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, "kxTestServerCounts")));
}

TEST(Com, CreatesAnObjectFromTheRegisteredServer) {
  // The built library is copied into the root, as setup copies the driver.
  ASSERT_TRUE(CopyFileA(kxemu::windowsPath(kServerHostPath).c_str(),
                        "C:\\WINDOWS\\System32\\KxTestServer.DLL", FALSE))
      << GetLastError();
  registerServer("c:\\windows\\system32\\kxtestserver.dll");

  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
  CoUninitialize();
  ITestAdder* adder = nullptr;
  ASSERT_EQ(CoCreateInstance(kTestServerClass, nullptr, CLSCTX_INPROC_SERVER, kTestAdderInterface,
                             reinterpret_cast<void**>(&adder)),
            S_OK);
  ASSERT_NE(adder, nullptr);
  EXPECT_EQ(adder->add(2, 3), 5);

  HMODULE module = GetModuleHandleA("kxtestserver.dll");
  ASSERT_NE(module, nullptr);
  char name[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(module, name, MAX_PATH), 0u);
  EXPECT_STREQ(name, "C:\\WINDOWS\\System32\\KxTestServer.DLL");
  int attaches = 0, detaches = 0;
  LONG objects = 0;
  countsOf(module)(&attaches, &detaches, &objects);
  EXPECT_EQ(attaches, 1); // DllMain ran once, at load
  EXPECT_EQ(objects, 1);

  // While an object lives the library stays; after its release it may go.
  CoFreeUnusedLibraries();
  EXPECT_NE(GetModuleHandleA("kxtestserver.dll"), nullptr);
  EXPECT_EQ(adder->Release(), 0u);
  CoFreeUnusedLibraries();
  EXPECT_EQ(GetModuleHandleA("kxtestserver.dll"), nullptr);
  CoUninitialize();
}

TEST(Com, FailuresHaveTheirHresults) {
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
  const CLSID unknown = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(object, nullptr);
  registerServer("C:\\WINDOWS\\System32\\missing.dll");
  EXPECT_EQ(CoCreateInstance(kTestServerClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
            HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
  CoUninitialize();
  EXPECT_EQ(CoCreateInstance(kTestServerClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
            CO_E_NOTINITIALIZED);
}

TEST(Modules, LoadLibraryByHostPathAndProcedures) {
  const std::string windows = kxemu::windowsPath(kServerHostPath);
  EXPECT_EQ(windows.substr(0, 3), "Z:\\");
  HMODULE module = LoadLibraryA(windows.c_str());
  ASSERT_NE(module, nullptr) << GetLastError();
  char name[MAX_PATH];
  GetModuleFileNameA(module, name, MAX_PATH);
  EXPECT_EQ(std::string(name), windows);
  EXPECT_EQ(GetModuleHandleA(windows.c_str()), module);
  EXPECT_EQ(GetModuleHandleA("KXTESTSERVER"), module);
  EXPECT_NE(GetProcAddress(module, "DllGetClassObject"), nullptr);
  // Only the module's own exports: not those of the libraries it uses.
  EXPECT_EQ(GetProcAddress(module, "GetTickCount"), nullptr);
  EXPECT_EQ(LoadLibraryA(windows.c_str()), module); // counted
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_NE(GetModuleHandleA("kxtestserver.dll"), nullptr);
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(GetModuleHandleA("kxtestserver.dll"), nullptr);
}

TEST(Modules, LibraryNamesFollowTheHostFileName) {
  HMODULE emulation = GetModuleHandleA("kxwinemu.dll"); // libkxwinemu.so
  ASSERT_NE(emulation, nullptr);
  EXPECT_EQ(GetModuleHandleA("kernel32.dll"), emulation);
  EXPECT_EQ(GetModuleHandleA("advapi32.dll"), emulation);
  kxemu::addModuleAlias("kxalias.dll", "libkxwinemu.so");
  EXPECT_EQ(GetModuleHandleA("KxAlias.dll"), emulation);
  // A file that is no library.
  HANDLE h =
      CreateFileA("C:\\WINDOWS\\System32\\notalib.dll", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  WriteFile(h, "MZ", 2, nullptr, nullptr);
  CloseHandle(h);
  SetLastError(0);
  EXPECT_EQ(LoadLibraryA("notalib.dll"), nullptr); // found in System32 by name
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
}

} // namespace
