#pragma once

#include <driver/host/asio_driver.h>
#include <driver/host/driver_identity.h>

#include <memory>

namespace kxtest {

using DriverPtr = std::unique_ptr<AsioDriver, void (*)(AsioDriver*)>;

// A driver object made the way the class factory makes one, asked for its IASIO interface
// and released when the pointer goes.
inline DriverPtr makeDriver() {
  HRESULT result = S_OK;
  IUnknown* inner = AsioDriver::create(nullptr, &result);
  inner->AddRef();
  void* object = nullptr;
  inner->QueryInterface(kDriverClassId, &object);
  inner->Release();
  return {static_cast<AsioDriver*>(static_cast<IASIO*>(object)), [](AsioDriver* d) { d->Release(); }};
}

} // namespace kxtest
