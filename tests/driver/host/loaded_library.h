#pragma once

// The library as COM and registration tools see it: loaded by path, reached through its
// exports only.
#include <driver/host/driver_identity.h>

#include <gtest/gtest.h>

#include <tests/support/fresh_system.h>

namespace kxtest {

class LoadedLibrary : public kxtest::FreshSystem {
protected:
  void SetUp() override {
    FreshSystem::SetUp();
    module_ = LoadLibraryA(kxtest::windowsPathOf(KX_CORVANTA_DLL).c_str());
    ASSERT_NE(module_, nullptr) << KX_CORVANTA_DLL;
    getClassObject_ = entry<GetClassObject>("DllGetClassObject");
    canUnloadNow_ = entry<NoArguments>("DllCanUnloadNow");
    registerServer_ = entry<NoArguments>("DllRegisterServer");
    unregisterServer_ = entry<NoArguments>("DllUnregisterServer");
    ASSERT_TRUE(getClassObject_ && canUnloadNow_ && registerServer_ && unregisterServer_);
  }
  void TearDown() override {
    FreeLibrary(module_);
    FreshSystem::TearDown();
  }

  IClassFactory* factory() {
    void* object = nullptr;
    EXPECT_EQ(getClassObject_(kDriverClassId, IID_IClassFactory, &object), S_OK);
    return static_cast<IClassFactory*>(object);
  }

  using GetClassObject = HRESULT(STDMETHODCALLTYPE*)(REFCLSID, REFIID, LPVOID*);
  using NoArguments = HRESULT(STDMETHODCALLTYPE*)();
  GetClassObject getClassObject_ = nullptr;
  NoArguments canUnloadNow_ = nullptr;
  NoArguments registerServer_ = nullptr;
  NoArguments unregisterServer_ = nullptr;

private:
  template <typename F>
  F entry(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
  }
  HMODULE module_ = nullptr;
};

} // namespace kxtest
