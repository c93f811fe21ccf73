#pragma once

#include <string>
#include <vector>

// An ASIO driver as hosts find it: a key under HKEY_LOCAL_MACHINE\SOFTWARE\ASIO.
struct RegisteredDriver {
  std::string name;
  std::string classId; // text form with braces
  std::string description;
};

std::vector<RegisteredDriver> registeredDrivers();
