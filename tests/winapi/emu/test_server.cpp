// A minimal in-process COM server: one class whose objects add numbers.
#include "test_server.h"

namespace {

LONG objects = 0;
LONG locks = 0;
int attaches = 0;
int detaches = 0;

class Adder final : public ITestAdder {
public:
  Adder() { InterlockedIncrement(&objects); }
  virtual ~Adder() { InterlockedDecrement(&objects); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) {
      return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, kTestAdderInterface)) {
      *object = static_cast<ITestAdder*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
      delete this;
    }
    return static_cast<ULONG>(left);
  }
  int STDMETHODCALLTYPE add(int a, int b) override { return a + b; }

private:
  LONG references_ = 0;
};

class Factory final : public IClassFactory {
public:
  virtual ~Factory() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) {
      return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
      delete this;
    }
    return static_cast<ULONG>(left);
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (!object) {
      return E_POINTER;
    }
    *object = nullptr;
    if (outer) {
      return CLASS_E_NOAGGREGATION;
    }
    auto* adder = new Adder;
    adder->AddRef();
    const HRESULT hr = adder->QueryInterface(iid, object);
    adder->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    lock ? InterlockedIncrement(&locks) : InterlockedDecrement(&locks);
    return S_OK;
  }

private:
  LONG references_ = 0;
};

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    ++attaches;
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH) {
    ++detaches;
  }
  return TRUE;
}

extern "C" HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  if (!object) {
    return E_POINTER;
  }
  *object = nullptr;
  if (!IsEqualCLSID(clsid, kTestServerClass)) {
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  auto* factory = new Factory;
  factory->AddRef();
  const HRESULT hr = factory->QueryInterface(iid, object);
  factory->Release();
  return hr;
}

extern "C" HRESULT STDMETHODCALLTYPE DllCanUnloadNow() {
  return (objects == 0 && locks == 0) ? S_OK : S_FALSE;
}

extern "C" void kxTestServerCounts(int* attachCount, int* detachCount, LONG* objectCount) {
  *attachCount = attaches;
  *detachCount = detaches;
  *objectCount = objects;
}
