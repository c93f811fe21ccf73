#pragma once

#include <winapi/include/winapi.h>

// The entry points the library exports: COM's in-process server functions, and the entry
// point the loader calls.
extern "C" {
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* object);
HRESULT STDMETHODCALLTYPE DllCanUnloadNow();
HRESULT STDMETHODCALLTYPE DllRegisterServer();
HRESULT STDMETHODCALLTYPE DllUnregisterServer();
}
