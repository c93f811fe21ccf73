#pragma once

// PendingFileRenameOperations (REG_MULTI_SZ in the key HKLM\SYSTEM\CurrentControlSet\Control\Session
// Manager), as MoveFileExA(MOVEFILE_DELAY_UNTIL_REBOOT) writes it: pairs of strings,
// source then destination ("" = delete the source, "!" prefix = replace an existing file),
// names in the "\??\C:\..." form, the whole list ended by one more "\0".
#include <string>
#include <utility>
#include <vector>

namespace kxemu {

inline constexpr const char* kSessionManagerKey = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
inline constexpr const char* kPendingRenamesValue = "PendingFileRenameOperations";

using PendingRename = std::pair<std::string, std::string>;

inline std::vector<PendingRename> parsePendingRenames(const std::string& data) {
  std::vector<PendingRename> out;
  size_t pos = 0;
  auto next = [&](std::string& s) {
    const size_t end = data.find('\0', pos);
    s = data.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    pos = end == std::string::npos ? data.size() : end + 1;
  };
  while (pos < data.size()) {
    std::string source, destination;
    next(source);
    if (source.empty()) {
      break; // the list's terminator
    }
    next(destination);
    out.emplace_back(std::move(source), std::move(destination));
  }
  return out;
}

inline std::string formatPendingRenames(const std::vector<PendingRename>& pairs) {
  std::string out;
  for (const auto& [source, destination] : pairs) {
    out += source;
    out += '\0';
    out += destination;
    out += '\0';
  }
  out += '\0';
  return out;
}

// The emulated path of a "\??\C:\..." name (a leading "!" removed).
inline std::string pendingPath(std::string name) {
  if (!name.empty() && name[0] == '!') {
    name.erase(0, 1);
  }
  if (name.rfind("\\??\\", 0) == 0) {
    name.erase(0, 4);
  }
  return name;
}

} // namespace kxemu
