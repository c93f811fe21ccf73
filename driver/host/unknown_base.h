#pragma once

#include <winapi/include/winapi.h>

// The reference-counting base of COM objects that can be aggregated: the non-delegating
// IUnknown counts references and deletes the object, and the object's own interfaces
// forward their IUnknown operations to the outer object (this base itself when there is
// none). Every live object counts towards the library's object count.
class KxUnknown {
public:
  explicit KxUnknown(IUnknown* outer);
  KxUnknown(const KxUnknown&) = delete;
  KxUnknown& operator=(const KxUnknown&) = delete;
  virtual ~KxUnknown();

  IUnknown* nonDelegatingUnknown() { return &inner_; }
  IUnknown* outerUnknown() const { return outer_; }

protected:
  // Answers IID_IUnknown with the non-delegating interface; objects add their own.
  virtual HRESULT nonDelegatingQueryInterface(REFIID iid, void** object);

private:
  struct Inner final : IUnknown {
    explicit Inner(KxUnknown& base) : owner(base) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    KxUnknown& owner;
  };

  Inner inner_;
  IUnknown* outer_;
  volatile LONG references_ = 0;
};

// The process-wide counts that decide whether the library may be unloaded.
LONG comObjectCount();
LONG comLockCount();
void comLockServer(bool lock);
