#pragma once

#include <abi/asio.h>

#include "driver_list.h"

#include <string>

// A driver object created the way hosts create one: in process, through COM, with the
// class id as both class and interface id. Released when this goes.
class LoadedDriver {
public:
  // Null driver() and a reason in error when the driver cannot be created.
  LoadedDriver(const RegisteredDriver& entry, std::string& error);
  LoadedDriver(const LoadedDriver&) = delete;
  LoadedDriver& operator=(const LoadedDriver&) = delete;
  ~LoadedDriver();

  IASIO* driver() const { return driver_; }

private:
  IASIO* driver_ = nullptr;
  bool comStarted_ = false;
};
