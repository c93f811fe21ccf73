#include <winapi/emu/user32/window_system.h>

#include <algorithm>

using namespace kxemu::user32;

namespace {

// How far the client area lies inside the window rectangle, by Windows' frame rules.
RECT frameOf(DWORD style, DWORD exStyle, bool menu) {
  int border = 0;
  if ((style & WS_THICKFRAME) != 0) {
    border = GetSystemMetrics(SM_CXFRAME);
  } else if ((style & WS_DLGFRAME) != 0 || (exStyle & WS_EX_DLGMODALFRAME) != 0) {
    border = GetSystemMetrics(SM_CXDLGFRAME);
  } else if ((style & WS_BORDER) != 0) {
    border = GetSystemMetrics(SM_CXBORDER);
  }
  if ((exStyle & WS_EX_CLIENTEDGE) != 0) {
    border += GetSystemMetrics(SM_CXEDGE);
  }
  RECT frame{border, border, border, border};
  if ((style & WS_CAPTION) == WS_CAPTION) {
    frame.top += GetSystemMetrics(SM_CYCAPTION);
  }
  if (menu) {
    frame.top += GetSystemMetrics(SM_CYMENU);
  }
  return frame;
}

RECT screenRect() { return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

// The window rectangle in screen coordinates: a child's rectangle is kept relative to its
// parent's client area.
RECT windowRectOnScreen(WindowSystem& system, const Lock& held, const Window& window) {
  RECT rect = window.rect;
  if (const Window* parent = system.find(held, window.parent)) {
    const RECT outer = windowRectOnScreen(system, held, *parent);
    const RECT frame = frameOf(parent->style, parent->exStyle, false);
    const LONG dx = outer.left + frame.left;
    const LONG dy = outer.top + frame.top;
    rect = RECT{rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
  }
  return rect;
}

// The window whose rectangle is asked for, or null for the desktop; false, with the error
// set, when there is no such window or no place for the answer.
bool findForRect(WindowSystem& system, const Lock& held, HWND hwnd, LPRECT rect, const Window*& window) {
  window = system.find(held, hwnd);
  if (rect == nullptr || (window == nullptr && hwnd != desktopHandle())) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  return true;
}

} // namespace

extern "C" BOOL WINAPI AdjustWindowRectEx(LPRECT lpRect, DWORD dwStyle, BOOL bMenu, DWORD dwExStyle) {
  if (lpRect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const RECT frame = frameOf(dwStyle, dwExStyle, bMenu != FALSE);
  lpRect->left -= frame.left;
  lpRect->top -= frame.top;
  lpRect->right += frame.right;
  lpRect->bottom += frame.bottom;
  return TRUE;
}

extern "C" BOOL WINAPI AdjustWindowRect(LPRECT lpRect, DWORD dwStyle, BOOL bMenu) {
  return AdjustWindowRectEx(lpRect, dwStyle, bMenu, 0);
}

extern "C" BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL) {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  Window* window = system.find(lock, hWnd);
  if (window == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  window->rect = RECT{X, Y, X + std::max(nWidth, 0), Y + std::max(nHeight, 0)};
  return TRUE;
}

extern "C" BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  const Window* window = nullptr;
  if (!findForRect(system, lock, hWnd, lpRect, window)) {
    return FALSE;
  }
  *lpRect = window != nullptr ? windowRectOnScreen(system, lock, *window) : screenRect();
  return TRUE;
}

extern "C" BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  const Window* window = nullptr;
  if (!findForRect(system, lock, hWnd, lpRect, window)) {
    return FALSE;
  }
  if (window == nullptr) {
    *lpRect = screenRect();
    return TRUE;
  }
  const RECT frame = frameOf(window->style, window->exStyle, false);
  const LONG width = window->rect.right - window->rect.left - frame.left - frame.right;
  const LONG height = window->rect.bottom - window->rect.top - frame.top - frame.bottom;
  *lpRect = RECT{0, 0, std::max<LONG>(width, 0), std::max<LONG>(height, 0)};
  return TRUE;
}
