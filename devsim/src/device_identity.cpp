#include "device_identity.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace devsim {
namespace {

std::string lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string guidText(const GUID& g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}",
                static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

} // namespace

DeviceIdentity makeIdentity(devicetable::UsbId id, std::uint32_t serial, const std::vector<GUID>& classes) {
  char ids[32];
  std::snprintf(ids, sizeof ids, "VID_%04X&PID_%04X", id.vendor, id.product);
  char serialText[16];
  std::snprintf(serialText, sizeof serialText, "DEVSIM%04u", static_cast<unsigned>(serial));
  DeviceIdentity identity;
  identity.instanceId = std::string("USB\\") + ids + "\\" + serialText;
  identity.hardwareIds = {std::string("USB\\") + ids + "&REV_0100", std::string("USB\\") + ids};
  for (const GUID& interfaceClass : classes) {
    identity.interfacePaths.push_back(lowered(std::string("\\\\?\\usb#") + ids + "#" + serialText + "#") +
                                      guidText(interfaceClass));
  }
  return identity;
}

bool samePath(const std::string& a, const std::string& b) { return lowered(a) == lowered(b); }

} // namespace devsim
