#include <winapi/emu/user32/window_system.h>

using namespace kxemu::user32;

namespace {

// A timer procedure runs only while its timer lives on the calling thread, so a tick
// retrieved before KillTimer cannot call into code that has since gone away.
LRESULT dispatchTimerProc(const MSG& msg) {
  const auto proc = reinterpret_cast<TIMERPROC>(msg.lParam);
  {
    auto& system = WindowSystem::get();
    auto lock = system.lock();
    if (!isLiveTimer(system.currentQueue(lock), msg.hwnd, msg.wParam, proc)) {
      return 0;
    }
  }
  proc(msg.hwnd, WM_TIMER, msg.wParam, tickCount());
  return 0;
}

} // namespace

extern "C" LRESULT WINAPI DispatchMessageA(const MSG* lpMsg) {
  if (lpMsg == nullptr) {
    SetLastError(ERROR_NOACCESS);
    return 0;
  }
  if (lpMsg->message == WM_TIMER && lpMsg->lParam != 0) {
    return dispatchTimerProc(*lpMsg);
  }
  if (lpMsg->hwnd == nullptr) {
    return 0;
  }
  WNDPROC proc = nullptr;
  {
    auto& system = WindowSystem::get();
    auto lock = system.lock();
    const Window* window = system.find(lock, lpMsg->hwnd);
    if (window == nullptr) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    if (window->threadId != GetCurrentThreadId()) {
      SetLastError(ERROR_MESSAGE_SYNC_ONLY);
      return 0;
    }
    proc = window->proc;
  }
  return CallWindowProcA(proc, lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

extern "C" BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
  if (lpMsg == nullptr) {
    return FALSE;
  }
  // Key messages count as translated whether or not they make a character; making the
  // characters belongs to the keyboard emulation, which does not exist yet.
  switch (lpMsg->message) {
  case WM_KEYDOWN:
  case WM_KEYUP:
  case WM_SYSKEYDOWN:
  case WM_SYSKEYUP:
    return TRUE;
  default:
    return FALSE;
  }
}

extern "C" LRESULT WINAPI CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam,
                                          LPARAM lParam) {
  return lpPrevWndFunc != nullptr ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}
