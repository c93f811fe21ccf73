#pragma once

#include <winapi/include/winapi.h>

// Registration of the in-process server (HKEY_CLASSES_ROOT\CLSID\{...}) and of the ASIO
// driver entry (HKEY_LOCAL_MACHINE\SOFTWARE\ASIO\<name>). Both return 0 or one of the
// codes below; the results of the single key and value writes are not reported.
enum KxRegistrationError : LONG {
  kModuleNotFound = -101,
  kModuleFileNameEmpty = -102,
  kClassIdTextFailed = -103,
  kClassIdNarrowFailed = -104,
};

struct KxServerIdentity {
  const CLSID* classId;
  const char* moduleName;
  const char* driverName;
  const char* description;
  const char* threadingModel;
};

LONG registerServer(const KxServerIdentity& identity);
LONG unregisterServer(const KxServerIdentity& identity);

// Deletes a key with all its sub-keys, the deepest first.
void deleteKeyTree(HKEY root, const char* path);
