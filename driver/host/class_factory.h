#pragma once

#include <winapi/include/winapi.h>

// One creatable class of the server: its name, class id and creation function, which
// returns the new object's non-delegating IUnknown (or null) and may report a failure in
// result.
struct KxFactoryTemplate {
  const OLECHAR* name;
  const CLSID* classId;
  IUnknown* (*create)(IUnknown* outer, HRESULT* result);
};

// The class factory handed out by DllGetClassObject; it deletes itself with its last
// reference. Factories do not count as live objects of the library.
class KxClassFactory final : public IClassFactory {
public:
  explicit KxClassFactory(const KxFactoryTemplate& entry) : template_(entry) {}
  virtual ~KxClassFactory() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
  const KxFactoryTemplate& template_;
  volatile LONG references_ = 0;
};

// DllGetClassObject over a table of templates.
HRESULT kxGetClassObject(const KxFactoryTemplate* templates, int count, REFCLSID classId, REFIID iid,
                         void** object);
