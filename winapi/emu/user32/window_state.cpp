#include <winapi/emu/user32/window_system.h>

using namespace kxemu::user32;

namespace {

// Sets or clears one style bit, telling the window first with `notice` when the state
// changes; the result is whether the bit was set before.
bool switchStyle(HWND hwnd, DWORD bit, bool on, UINT notice, WPARAM noticeParam) {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  const Window* window = system.find(lock, hwnd);
  if (window == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  const bool was = (window->style & bit) != 0;
  if (was != on) {
    sendMessage(lock, hwnd, notice, noticeParam, 0);
    if (Window* still = system.find(lock, hwnd)) {
      still->style = on ? (still->style | bit) : (still->style & ~bit);
    }
  }
  return was;
}

bool activates(int command) {
  return command != SW_HIDE && command != SW_SHOWNOACTIVATE && command != SW_SHOWNA &&
         command != SW_SHOWMINNOACTIVE && command != SW_MINIMIZE && command != SW_FORCEMINIMIZE;
}

} // namespace

extern "C" BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
  const bool wasVisible =
      switchStyle(hWnd, WS_VISIBLE, nCmdShow != SW_HIDE, WM_SHOWWINDOW, nCmdShow != SW_HIDE);
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  const Window* window = system.find(lock, hWnd);
  if (window != nullptr && window->parent == nullptr && !window->messageOnly) {
    if (activates(nCmdShow)) {
      system.foreground = hWnd;
    } else if (nCmdShow == SW_HIDE && system.foreground == hWnd) {
      system.foreground = nullptr;
    }
  }
  return wasVisible ? TRUE : FALSE;
}

extern "C" BOOL WINAPI IsWindowVisible(HWND hWnd) {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  const Window* window = system.find(lock, hWnd);
  if (window == nullptr) {
    return FALSE;
  }
  // Visible only when every ancestor is visible too.
  for (; window != nullptr; window = system.find(lock, window->parent)) {
    if ((window->style & WS_VISIBLE) == 0) {
      return FALSE;
    }
  }
  return TRUE;
}

extern "C" BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable) {
  // WS_DISABLED is set when disabling, so "was set" means "was disabled".
  return switchStyle(hWnd, WS_DISABLED, bEnable == FALSE, WM_ENABLE, bEnable != FALSE) ? TRUE : FALSE;
}

extern "C" BOOL WINAPI IsWindowEnabled(HWND hWnd) {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  const Window* window = system.find(lock, hWnd);
  return window != nullptr && (window->style & WS_DISABLED) == 0 ? TRUE : FALSE;
}

// A child's parent, a pop-up's owner, nothing for other windows (Windows' rule).
extern "C" HWND WINAPI GetParent(HWND hWnd) {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  const Window* window = system.find(lock, hWnd);
  if (window == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if ((window->style & WS_CHILD) != 0) {
    return window->parent;
  }
  return (window->style & WS_POPUP) != 0 ? window->owner : nullptr;
}

extern "C" HWND WINAPI SetParent(HWND hWndChild, HWND hWndNewParent) {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  Window* window = system.find(lock, hWndChild);
  const bool toDesktop = hWndNewParent == nullptr || hWndNewParent == desktopHandle();
  const bool toMessages = hWndNewParent == HWND_MESSAGE;
  const Window* parent = toDesktop || toMessages ? nullptr : system.find(lock, hWndNewParent);
  if (window == nullptr || (!toDesktop && !toMessages && parent == nullptr)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (parent != nullptr &&
      (hWndNewParent == hWndChild || system.isDescendant(lock, hWndNewParent, hWndChild))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const HWND previous = window->parent != nullptr ? window->parent : desktopHandle();
  window->parent = parent != nullptr ? parent->handle : nullptr;
  window->messageOnly = toMessages || (parent != nullptr && parent->messageOnly);
  window->owner = nullptr;
  return previous;
}

extern "C" HWND WINAPI GetDesktopWindow() { return desktopHandle(); }

extern "C" HWND WINAPI GetForegroundWindow() {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  return system.foreground;
}

extern "C" BOOL WINAPI SetForegroundWindow(HWND hWnd) {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  const HWND topLevel = system.topLevelOf(lock, hWnd);
  if (topLevel == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  system.foreground = topLevel;
  return TRUE;
}
