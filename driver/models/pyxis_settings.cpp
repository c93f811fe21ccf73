#include <driver/host/registry_key.h>
#include <driver/models/pyxis_settings.h>

#include <type_traits>

namespace {

// Every persisted field with its value name, in the order the values are read and written;
// visit returns false to stop.
template <typename Settings, typename Visit>
bool visitValues(Settings& s, Visit&& visit) {
  return visit("InputSelector", s.InputSelector) && visit("VolInL", s.VolInL) && visit("VolInR", s.VolInR) &&
         visit("MuteIn_1", s.MuteIn_1) && visit("MuteIn_2", s.MuteIn_2) && visit("MuteIn_3", s.MuteIn_3) &&
         visit("VolOutL", s.VolOutL) && visit("VolOutR", s.VolOutR) && visit("MuteOut", s.MuteOut) &&
         visit("GangMode", s.GangMode);
}

} // namespace

bool loadPyxisSettings(const KxRegistryKey& key, PyxisSettings& settings) {
  const bool complete = visitValues(settings, [&key](const char* name, auto& field) {
    std::uint32_t value = 0;
    if (!key.readDword(name, value)) {
      return false;
    }
    field = static_cast<std::remove_reference_t<decltype(field)>>(value);
    return true;
  });
  // Nothing after the selector depends on it, so checking it last equals checking it first.
  if (settings.InputSelector < 1 || settings.InputSelector > kPyxisInputCount) {
    settings.InputSelector = 1;
  }
  return complete;
}

void savePyxisSettings(const KxRegistryKey& key, const PyxisSettings& settings) {
  visitValues(settings, [&key](const char* name, const auto& field) {
    key.writeDword(name, static_cast<std::uint32_t>(field));
    return true;
  });
}
