#include <driver/host/class_factory.h>
#include <driver/host/unknown_base.h>

#include <new>

HRESULT STDMETHODCALLTYPE KxClassFactory::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) {
    return E_POINTER;
  }
  *object = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE KxClassFactory::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG STDMETHODCALLTYPE KxClassFactory::Release() {
  const LONG count = InterlockedDecrement(&references_);
  if (count == 0) {
    delete this;
  }
  return static_cast<ULONG>(count > 0 ? count : 0);
}

HRESULT STDMETHODCALLTYPE KxClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  if (object == nullptr) {
    return E_POINTER;
  }
  *object = nullptr;
  // An aggregating object may only ask for the inner IUnknown.
  if (outer != nullptr && !IsEqualIID(iid, IID_IUnknown)) {
    return E_NOINTERFACE;
  }
  HRESULT result = S_OK;
  IUnknown* created = template_.create(outer, &result);
  if (created == nullptr) {
    return E_OUTOFMEMORY;
  }
  if (FAILED(result)) {
    // Through its own reference count, which deletes it.
    created->AddRef();
    created->Release();
    return result;
  }
  created->AddRef();
  result = created->QueryInterface(iid, object);
  created->Release();
  return result;
}

HRESULT STDMETHODCALLTYPE KxClassFactory::LockServer(BOOL lock) {
  comLockServer(lock != FALSE);
  return S_OK;
}

HRESULT kxGetClassObject(const KxFactoryTemplate* templates, int count, REFCLSID classId, REFIID iid,
                         void** object) {
  if (object == nullptr) {
    return E_POINTER;
  }
  *object = nullptr;
  if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) {
    return E_NOINTERFACE;
  }
  for (int i = 0; i < count; ++i) {
    if (IsEqualCLSID(*templates[i].classId, classId)) {
      auto* factory = new (std::nothrow) KxClassFactory(templates[i]);
      if (factory == nullptr) {
        return E_OUTOFMEMORY;
      }
      factory->AddRef();
      *object = factory;
      return S_OK;
    }
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}
