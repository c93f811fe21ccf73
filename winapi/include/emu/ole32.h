#pragma once

// ole32: class ids as text, task memory, COM initialisation and in-process activation.
// OLECHAR is 16-bit as on Windows; write wide literals as OLESTR("...") so the same source
// builds against the Windows headers (L"...") and the emulation (u"...").
#include <winapi/include/emu/kernel32.h>
#include <winapi/include/emu/wintypes.h>

using OLECHAR = WCHAR;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
#define OLESTR(text) u##text

using SCODE = LONG;
#define STDMETHODIMP HRESULT STDMETHODCALLTYPE
#define STDMETHODIMP_(type) type STDMETHODCALLTYPE
#define STDMETHOD(method) virtual HRESULT STDMETHODCALLTYPE method
#define STDMETHOD_(type, method) virtual type STDMETHODCALLTYPE method
#define STDAPI_(type) extern "C" type
#define PURE = 0

#define MAKE_HRESULT(severity, facility, code)                                                               \
  (static_cast<HRESULT>((static_cast<DWORD>(severity) << 31) | (static_cast<DWORD>(facility) << 16) |        \
                        static_cast<DWORD>(code)))
#define FACILITY_WIN32 7u
#define HRESULT_FROM_WIN32(error)                                                                            \
  (static_cast<HRESULT>(error) <= 0 ? static_cast<HRESULT>(error)                                            \
                                    : static_cast<HRESULT>((static_cast<DWORD>(error) & 0x0000FFFFu) |       \
                                                           (FACILITY_WIN32 << 16) | 0x80000000u))
#define HRESULT_CODE(hr) (static_cast<DWORD>(hr) & 0xFFFFu)

#ifndef E_HANDLE
#define E_HANDLE (static_cast<HRESULT>(0x80070006u))
#endif
#ifndef E_ABORT
#define E_ABORT (static_cast<HRESULT>(0x80004004u))
#endif
#ifndef E_ACCESSDENIED
#define E_ACCESSDENIED (static_cast<HRESULT>(0x80070005u))
#endif
#define CLASS_E_NOAGGREGATION (static_cast<HRESULT>(0x80040110u))
#define CLASS_E_CLASSNOTAVAILABLE (static_cast<HRESULT>(0x80040111u))
#define REGDB_E_CLASSNOTREG (static_cast<HRESULT>(0x80040154u))
#define REGDB_E_READREGDB (static_cast<HRESULT>(0x80040150u))
#define CO_E_NOTINITIALIZED (static_cast<HRESULT>(0x800401F0u))
#define CO_E_CLASSSTRING (static_cast<HRESULT>(0x800401F3u))
#define CO_E_DLLNOTFOUND (static_cast<HRESULT>(0x800401F8u))
#define CO_E_ERRORINDLL (static_cast<HRESULT>(0x800401F9u))
#define RPC_E_CHANGED_MODE (static_cast<HRESULT>(0x80010106u))
#define SELFREG_E_CLASS (static_cast<HRESULT>(0x80040201u))

// Activation contexts and initialisation modes.
#define CLSCTX_INPROC_SERVER 0x1u
#define CLSCTX_INPROC_HANDLER 0x2u
#define CLSCTX_LOCAL_SERVER 0x4u
#define CLSCTX_REMOTE_SERVER 0x10u
#define CLSCTX_INPROC (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)
#define CLSCTX_SERVER (CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)
#define COINIT_MULTITHREADED 0x0u
#define COINIT_APARTMENTTHREADED 0x2u
#define COINIT_DISABLE_OLE1DDE 0x4u
#define COINIT_SPEED_OVER_MEMORY 0x8u

// GUIDs: DEFINE_GUID declares the name, and defines it where INITGUID is defined first,
// as with the Windows headers.
#ifdef INITGUID
#define DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)                                         \
  extern "C" const GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}
#else
#define DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) extern "C" const GUID name
#endif

// The base interfaces (COM's layout: the virtual operations only, no virtual destructor).
struct IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;

protected:
  ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;

struct IClassFactory : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) = 0;
  virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) = 0;

protected:
  ~IClassFactory() = default;
};
using LPCLASSFACTORY = IClassFactory*;

extern "C" {
extern const IID IID_IUnknown;      // {00000000-0000-0000-C000-000000000046}
extern const IID IID_IClassFactory; // {00000001-0000-0000-C000-000000000046}
extern const GUID GUID_NULL;

// Class ids as text: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hexadecimal.
HRESULT WINAPI StringFromCLSID(REFCLSID clsid, LPOLESTR* text);
HRESULT WINAPI StringFromIID(REFIID iid, LPOLESTR* text);
int WINAPI StringFromGUID2(REFGUID guid, LPOLESTR text, int size);
HRESULT WINAPI CLSIDFromString(LPCOLESTR text, LPCLSID clsid);
HRESULT WINAPI IIDFromString(LPCOLESTR text, IID* iid);

// Task memory.
LPVOID WINAPI CoTaskMemAlloc(SIZE_T size);
LPVOID WINAPI CoTaskMemRealloc(LPVOID block, SIZE_T size);
void WINAPI CoTaskMemFree(LPVOID block);

// Initialisation (counted per thread) and activation of in-process servers.
HRESULT WINAPI CoInitialize(LPVOID reserved);
HRESULT WINAPI CoInitializeEx(LPVOID reserved, DWORD coInit);
void WINAPI CoUninitialize();
HRESULT WINAPI CoGetClassObject(REFCLSID clsid, DWORD context, LPVOID serverInfo, REFIID iid, LPVOID* object);
HRESULT WINAPI CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* object);
void WINAPI CoFreeUnusedLibraries();

// The entry points an in-process server exports (declared by objbase.h and olectl.h on Windows).
HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object);
HRESULT STDMETHODCALLTYPE DllCanUnloadNow();
HRESULT STDMETHODCALLTYPE DllRegisterServer();
HRESULT STDMETHODCALLTYPE DllUnregisterServer();
}
