// Access tokens, privileges and shutdown. The process token holds the privileges of an
// administrator, all disabled but SeChangeNotifyPrivilege; enabling one through any token
// handle enables it for the process (there is one process token). Shutdown and restart only
// leave a record in the system root (root/reboot-request); kxemu::simulateReboot plays the
// restart's part: it carries out PendingFileRenameOperations and clears the record.
#include <winapi/emu/internal/codepage.h>
#include <winapi/emu/internal/errors.h>
#include <winapi/emu/internal/handles.h>
#include <winapi/emu/internal/paths.h>
#include <winapi/emu/internal/pending.h>
#include <winapi/emu/internal/root.h>
#include <winapi/include/emu/kxemu.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace kxemu {
namespace {

struct PrivilegeName {
  const char* name;
  DWORD value;
};
constexpr PrivilegeName kPrivileges[] = {
    {"SeCreateTokenPrivilege", 2},
    {"SeAssignPrimaryTokenPrivilege", 3},
    {"SeLockMemoryPrivilege", 4},
    {"SeIncreaseQuotaPrivilege", 5},
    {"SeMachineAccountPrivilege", 6},
    {"SeTcbPrivilege", 7},
    {"SeSecurityPrivilege", 8},
    {"SeTakeOwnershipPrivilege", 9},
    {"SeLoadDriverPrivilege", 10},
    {"SeSystemProfilePrivilege", 11},
    {"SeSystemtimePrivilege", 12},
    {"SeProfileSingleProcessPrivilege", 13},
    {"SeIncreaseBasePriorityPrivilege", 14},
    {"SeCreatePagefilePrivilege", 15},
    {"SeCreatePermanentPrivilege", 16},
    {"SeBackupPrivilege", 17},
    {"SeRestorePrivilege", 18},
    {"SeShutdownPrivilege", 19},
    {"SeDebugPrivilege", 20},
    {"SeAuditPrivilege", 21},
    {"SeSystemEnvironmentPrivilege", 22},
    {"SeChangeNotifyPrivilege", 23},
    {"SeRemoteShutdownPrivilege", 24},
    {"SeUndockPrivilege", 25},
};
constexpr DWORD kShutdownPrivilege = 19;
constexpr DWORD kChangeNotifyPrivilege = 23;

bool knownPrivilege(const LUID& luid) {
  if (luid.HighPart != 0) {
    return false;
  }
  for (const auto& p : kPrivileges) {
    if (p.value == luid.LowPart) {
      return true;
    }
  }
  return false;
}

std::mutex& privilegeMutex() {
  static auto* m = new std::mutex;
  return *m;
}
std::set<DWORD>& enabledPrivileges() {
  static auto* set = new std::set<DWORD>{kChangeNotifyPrivilege};
  return *set;
}

bool privilegeEnabled(DWORD value) {
  std::lock_guard lock(privilegeMutex());
  return enabledPrivileges().count(value) != 0;
}

class TokenObject : public KernelObject {
public:
  explicit TokenObject(DWORD granted) : KernelObject(ObjectKind::Token), access(granted) {}
  const DWORD access;
};

std::string requestFile() { return rootDirectory() + "/reboot-request"; }

void recordRequest(const std::string& text) {
  std::ofstream out(requestFile(), std::ios::trunc);
  out << text << "\n";
}

bool localMachine(LPCSTR machine) { return !machine || !*machine; }

} // namespace

bool rebootRequested() {
  struct stat st;
  return ::stat(requestFile().c_str(), &st) == 0;
}

std::string rebootRequestText() {
  std::ifstream in(requestFile());
  std::string line;
  std::getline(in, line);
  return line;
}

int simulateReboot() {
  int done = 0;
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) ==
      ERROR_SUCCESS) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, kPendingRenamesValue, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
      std::string value(size, '\0');
      if (RegQueryValueExA(key, kPendingRenamesValue, nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                           &size) == ERROR_SUCCESS) {
        value.resize(size);
        for (const auto& [source, destination] : parsePendingRenames(value)) {
          HostPath from;
          DWORD error;
          if (!mapPath(pendingPath(source).c_str(), from, error) || !from.exists || !writableHostPath(from)) {
            continue;
          }
          if (destination.empty()) {
            const int rc = from.isDirectory ? ::rmdir(from.host.c_str()) : ::unlink(from.host.c_str());
            done += rc == 0 ? 1 : 0;
            continue;
          }
          HostPath to;
          if (!mapPath(pendingPath(destination).c_str(), to, error) || !writableHostPath(to)) {
            continue;
          }
          if (to.exists && destination[0] != '!') {
            continue;
          }
          done += ::rename(from.host.c_str(), to.host.c_str()) == 0 ? 1 : 0;
        }
      }
      RegDeleteValueA(key, kPendingRenamesValue);
    }
    RegCloseKey(key);
  }
  ::unlink(requestFile().c_str());
  return done;
}

} // namespace kxemu

using namespace kxemu;

extern "C" BOOL WINAPI OpenProcessToken(HANDLE process, DWORD desiredAccess, PHANDLE token) {
  if (!token) {
    return fail(ERROR_NOACCESS, FALSE);
  }
  auto object = lookupHandle(process);
  if (process != currentProcessPseudoHandle() && !(object && object->kind() == ObjectKind::Process)) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  *token = insertHandle(std::make_shared<TokenObject>(desiredAccess));
  return TRUE;
}

extern "C" BOOL WINAPI LookupPrivilegeValueA(LPCSTR systemName, LPCSTR name, PLUID luid) {
  if (!localMachine(systemName)) {
    return fail(ERROR_BAD_NETPATH, FALSE);
  }
  if (!name || !luid) {
    return fail(ERROR_INVALID_PARAMETER, FALSE);
  }
  for (const auto& p : kPrivileges) {
    if (equalsIgnoreCase(p.name, name)) {
      luid->LowPart = p.value;
      luid->HighPart = 0;
      return TRUE;
    }
  }
  return fail(ERROR_NO_SUCH_PRIVILEGE, FALSE);
}

extern "C" BOOL WINAPI AdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES newState,
                                             DWORD bufferLength, PTOKEN_PRIVILEGES previousState,
                                             PDWORD returnLength) {
  auto object = lookupHandle<TokenObject>(token, ObjectKind::Token);
  if (!object) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  if (!(object->access & TOKEN_ADJUST_PRIVILEGES) || (previousState && !(object->access & TOKEN_QUERY))) {
    return fail(ERROR_ACCESS_DENIED, FALSE);
  }
  if (!disableAll && !newState) {
    return fail(ERROR_INVALID_PARAMETER, FALSE);
  }
  std::lock_guard lock(privilegeMutex());
  auto& enabled = enabledPrivileges();
  std::vector<LUID_AND_ATTRIBUTES> changedBefore;
  bool allAssigned = true;
  if (disableAll) {
    for (DWORD value : enabled) {
      changedBefore.push_back({LUID{value, 0}, SE_PRIVILEGE_ENABLED});
    }
    enabled.clear();
  } else {
    for (DWORD i = 0; i < newState->PrivilegeCount; ++i) {
      const LUID_AND_ATTRIBUTES& entry = newState->Privileges[i];
      if (!knownPrivilege(entry.Luid)) {
        allAssigned = false;
        continue;
      }
      const bool was = enabled.count(entry.Luid.LowPart) != 0;
      const bool wanted =
          (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0 && !(entry.Attributes & SE_PRIVILEGE_REMOVED);
      if (was != wanted) {
        changedBefore.push_back({entry.Luid, was ? SE_PRIVILEGE_ENABLED : 0u});
        if (wanted) {
          enabled.insert(entry.Luid.LowPart);
        } else {
          enabled.erase(entry.Luid.LowPart);
        }
      }
    }
  }
  const DWORD needed = static_cast<DWORD>(
      sizeof(DWORD) + sizeof(LUID_AND_ATTRIBUTES) * (changedBefore.empty() ? 1 : changedBefore.size()));
  if (returnLength) {
    *returnLength = needed;
  }
  if (previousState) {
    if (bufferLength < needed) {
      return fail(ERROR_INSUFFICIENT_BUFFER, FALSE);
    }
    previousState->PrivilegeCount = static_cast<DWORD>(changedBefore.size());
    for (size_t i = 0; i < changedBefore.size(); ++i) {
      previousState->Privileges[i] = changedBefore[i];
    }
  }
  SetLastError(allAssigned ? ERROR_SUCCESS : ERROR_NOT_ALL_ASSIGNED);
  return TRUE;
}

extern "C" BOOL WINAPI InitiateSystemShutdownA(LPSTR machineName, LPSTR message, DWORD timeout,
                                               BOOL forceAppsClosed, BOOL rebootAfterShutdown) {
  if (!localMachine(machineName)) {
    return fail(ERROR_BAD_NETPATH, FALSE);
  }
  if (!privilegeEnabled(kShutdownPrivilege)) {
    return fail(ERROR_PRIVILEGE_NOT_HELD, FALSE);
  }
  std::ostringstream text;
  text << "InitiateSystemShutdownA reboot=" << (rebootAfterShutdown ? 1 : 0)
       << " force=" << (forceAppsClosed ? 1 : 0) << " timeout=" << timeout
       << " message=" << (message ? message : "");
  recordRequest(text.str());
  return TRUE;
}

extern "C" BOOL WINAPI ExitWindowsEx(UINT flags, DWORD reason) {
  const UINT action = flags & (EWX_SHUTDOWN | EWX_REBOOT | EWX_POWEROFF);
  if (action != 0 && !privilegeEnabled(kShutdownPrivilege)) {
    return fail(ERROR_PRIVILEGE_NOT_HELD, FALSE);
  }
  char text[96];
  std::snprintf(text, sizeof text, "ExitWindowsEx flags=0x%x reason=0x%x", flags, reason);
  recordRequest(text);
  return TRUE;
}
