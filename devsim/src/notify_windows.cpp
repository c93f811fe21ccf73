// Windows sends device-change broadcasts only for real devices, so devsim.dll sends them
// itself to the top-level windows of its process, hidden ones included, as the system would.
#include "notify.h"

#include <vector>

namespace devsim {
namespace {

constexpr UINT kAnswerTimeoutMs = 5000;

BOOL CALLBACK collectWindow(HWND hwnd, LPARAM windows) {
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  if (process == GetCurrentProcessId()) {
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(hwnd);
  }
  return TRUE;
}

} // namespace

bool broadcastDeviceChange(WPARAM event, DWORD devnode) {
  std::vector<HWND> windows;
  EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&windows));
  DEV_BROADCAST_DEVNODE record{sizeof(DEV_BROADCAST_DEVNODE), DBT_DEVTYP_DEVNODE, 0, devnode};
  const LPARAM lParam = devnode != 0 ? reinterpret_cast<LPARAM>(&record) : 0;
  const bool query = event == DBT_DEVICEQUERYREMOVE || event == DBT_QUERYCHANGECONFIG;
  for (HWND hwnd : windows) {
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutA(hwnd, WM_DEVICECHANGE, event, lParam, SMTO_ABORTIFHUNG, kAnswerTimeoutMs,
                            &answer) &&
        query && answer == BROADCAST_QUERY_DENY) {
      return false;
    }
  }
  return true;
}

} // namespace devsim
