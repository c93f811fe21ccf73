#include "loaded_driver.h"

#include <cstdio>
#include <vector>

LoadedDriver::LoadedDriver(const RegisteredDriver& entry, std::string& error) {
  comStarted_ = SUCCEEDED(CoInitialize(nullptr));
  const int wideLength = MultiByteToWideChar(CP_ACP, 0, entry.classId.c_str(), -1, nullptr, 0);
  std::vector<OLECHAR> wide(static_cast<std::size_t>(wideLength > 0 ? wideLength : 1), 0);
  MultiByteToWideChar(CP_ACP, 0, entry.classId.c_str(), -1, wide.data(), wideLength);
  CLSID classId{};
  if (wideLength <= 0 || FAILED(CLSIDFromString(wide.data(), &classId))) {
    error = "the registered CLSID \"" + entry.classId + "\" is not a class id";
    return;
  }
  void* object = nullptr;
  const HRESULT result = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, classId, &object);
  if (FAILED(result) || object == nullptr) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08x", static_cast<unsigned>(result));
    error = "CoCreateInstance failed with " + std::string(code);
    return;
  }
  driver_ = static_cast<IASIO*>(object);
}

LoadedDriver::~LoadedDriver() {
  if (driver_ != nullptr) {
    driver_->Release();
  }
  if (comStarted_) {
    CoUninitialize();
  }
}
