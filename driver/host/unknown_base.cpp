#include <driver/host/unknown_base.h>

namespace {
volatile LONG objectCount = 0;
volatile LONG lockCount = 0;
} // namespace

LONG comObjectCount() { return objectCount; }

LONG comLockCount() { return lockCount; }

void comLockServer(bool lock) {
  if (lock) {
    InterlockedIncrement(&lockCount);
  } else {
    InterlockedDecrement(&lockCount);
  }
}

KxUnknown::KxUnknown(IUnknown* outer) : inner_(*this), outer_(outer != nullptr ? outer : &inner_) {
  InterlockedIncrement(&objectCount);
}

KxUnknown::~KxUnknown() { InterlockedDecrement(&objectCount); }

HRESULT KxUnknown::nonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) {
    return E_POINTER;
  }
  if (IsEqualIID(iid, IID_IUnknown)) {
    *object = &inner_;
    inner_.AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE KxUnknown::Inner::QueryInterface(REFIID iid, void** object) {
  return owner.nonDelegatingQueryInterface(iid, object);
}

ULONG STDMETHODCALLTYPE KxUnknown::Inner::AddRef() {
  const LONG count = InterlockedIncrement(&owner.references_);
  return static_cast<ULONG>(count > 1 ? count : 1);
}

ULONG STDMETHODCALLTYPE KxUnknown::Inner::Release() {
  const LONG count = InterlockedDecrement(&owner.references_);
  if (count > 0) {
    return static_cast<ULONG>(count);
  }
  // Held at 1 while the object is destroyed, so a destructor that takes and drops a
  // reference of its own cannot destroy it a second time.
  owner.references_ = 1;
  delete &owner;
  return 0;
}
