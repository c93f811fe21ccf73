#include <abi/asio.h>

#include "loaded_library.h"

#include <gtest/gtest.h>

namespace {

using kxtest::LoadedLibrary;

const CLSID kOtherClass = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};

TEST_F(LoadedLibrary, ClassObjectErrors) {
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(getClassObject_(kOtherClass, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(getClassObject_(kDriverClassId, kDriverClassId, &object), E_NOINTERFACE);
  EXPECT_EQ(getClassObject_(kDriverClassId, IID_IUnknown, &object), S_OK);
  static_cast<IUnknown*>(object)->Release();
}

TEST_F(LoadedLibrary, FactoryCreatesTheDriverAtItsIasioAddress) {
  IClassFactory* classFactory = factory();
  ASSERT_NE(classFactory, nullptr);
  void* object = nullptr;
  ASSERT_EQ(classFactory->CreateInstance(nullptr, kDriverClassId, &object), S_OK);
  auto* driver = static_cast<IASIO*>(object);
  char name[32] = {};
  driver->getDriverName(name);
  EXPECT_STREQ(name, "Corvanta ASIO driver") << "the created pointer is the IASIO interface";

  void* again = nullptr;
  EXPECT_EQ(driver->QueryInterface(kDriverClassId, &again), S_OK);
  EXPECT_EQ(again, object);
  static_cast<IUnknown*>(again)->Release();
  void* unknown = nullptr;
  EXPECT_EQ(driver->QueryInterface(IID_IUnknown, &unknown), S_OK);
  EXPECT_NE(unknown, nullptr);
  static_cast<IUnknown*>(unknown)->Release();
  EXPECT_EQ(driver->QueryInterface(IID_IClassFactory, &unknown), E_NOINTERFACE);
  EXPECT_EQ(driver->QueryInterface(kDriverClassId, nullptr), E_POINTER);
  driver->Release();
  classFactory->Release();
}

TEST_F(LoadedLibrary, AggregationOnlyThroughIUnknown) {
  IClassFactory* classFactory = factory();
  ASSERT_NE(classFactory, nullptr);
  void* object = nullptr;
  EXPECT_EQ(classFactory->CreateInstance(classFactory, kDriverClassId, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(classFactory->CreateInstance(nullptr, kDriverClassId, nullptr), E_POINTER);
  EXPECT_EQ(classFactory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
  EXPECT_EQ(canUnloadNow_(), S_OK) << "the refused driver was destroyed";
  classFactory->Release();
}

TEST_F(LoadedLibrary, CanUnloadOnlyWithoutObjectsOrLocks) {
  EXPECT_EQ(canUnloadNow_(), S_OK);
  IClassFactory* classFactory = factory();
  ASSERT_NE(classFactory, nullptr);
  EXPECT_EQ(canUnloadNow_(), S_OK) << "factories do not count";
  void* object = nullptr;
  ASSERT_EQ(classFactory->CreateInstance(nullptr, kDriverClassId, &object), S_OK);
  EXPECT_EQ(canUnloadNow_(), S_FALSE);
  static_cast<IASIO*>(object)->Release();
  EXPECT_EQ(canUnloadNow_(), S_OK);
  classFactory->LockServer(TRUE);
  EXPECT_EQ(canUnloadNow_(), S_FALSE);
  classFactory->LockServer(FALSE);
  EXPECT_EQ(canUnloadNow_(), S_OK);
  classFactory->Release();
}

} // namespace
