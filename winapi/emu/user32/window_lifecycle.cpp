#include <winapi/emu/user32/window_system.h>

using namespace kxemu::user32;

namespace {

// Where CW_USEDEFAULT places and sizes an overlapped top-level window.
constexpr int kDefaultPosition = 26;
constexpr int kDefaultWidth = 960;
constexpr int kDefaultHeight = 720;

struct Placement {
  HWND parent = nullptr;
  HWND owner = nullptr;
  bool messageOnly = false;
};

// Resolves the parent argument: a child's parent, a top-level window's owner (always a
// top-level window), or the message-only pseudo parent.
bool place(WindowSystem& system, const Lock& held, HWND given, DWORD style, Placement& out) {
  if (given == HWND_MESSAGE) {
    out.messageOnly = true;
    return true;
  }
  const Window* relative = given != nullptr && given != desktopHandle() ? system.find(held, given) : nullptr;
  if (given != nullptr && given != desktopHandle() && relative == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  if ((style & WS_CHILD) != 0) {
    if (relative == nullptr) {
      SetLastError(ERROR_TLW_WITH_WSCHILD);
      return false;
    }
    out.parent = relative->handle;
    out.messageOnly = relative->messageOnly;
    return true;
  }
  out.owner = relative != nullptr ? system.topLevelOf(held, relative->handle) : nullptr;
  return true;
}

RECT initialRect(DWORD style, int x, int y, int width, int height) {
  const bool overlapped = (style & (WS_CHILD | WS_POPUP)) == 0;
  if (x == CW_USEDEFAULT) {
    x = y = overlapped ? kDefaultPosition : 0;
  }
  if (width == CW_USEDEFAULT) {
    width = overlapped ? kDefaultWidth : 0;
    height = overlapped ? kDefaultHeight : 0;
  }
  return RECT{x, y, x + width, y + height};
}

void sendDestroy(Lock& lock, WindowSystem& system, HWND hwnd) {
  sendMessage(lock, hwnd, WM_DESTROY, 0, 0);
  for (HWND child : system.childrenOf(lock, hwnd)) {
    if (Window* window = system.find(lock, child)) {
      window->destroying = true;
      sendDestroy(lock, system, child);
    }
  }
}

void sendNcDestroy(Lock& lock, WindowSystem& system, HWND hwnd) {
  for (HWND child : system.childrenOf(lock, hwnd)) {
    sendNcDestroy(lock, system, child);
  }
  sendMessage(lock, hwnd, WM_NCDESTROY, 0, 0);
  system.erase(lock, hwnd);
}

// Windows' order: owned windows go first, entirely; then WM_DESTROY reaches the window
// and its children parents first, and WM_NCDESTROY children first.
void destroyWindow(Lock& lock, WindowSystem& system, HWND hwnd) {
  Window* window = system.find(lock, hwnd);
  window->destroying = true;
  window->style &= ~WS_VISIBLE;
  const DWORD self = window->threadId;
  for (HWND other : system.all(lock)) {
    Window* owned = system.find(lock, other);
    if (owned == nullptr || owned->owner != hwnd) {
      continue;
    }
    if (owned->threadId == self && !owned->destroying) {
      destroyWindow(lock, system, other);
    } else {
      owned->owner = nullptr;
    }
  }
  sendDestroy(lock, system, hwnd);
  sendNcDestroy(lock, system, hwnd);
}

} // namespace

extern "C" HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName,
                                       DWORD dwStyle, int X, int Y, int nWidth, int nHeight, HWND hWndParent,
                                       HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam) {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  const auto windowClass = findClass(system, lock, lpClassName, hInstance);
  if (!windowClass) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  Placement placement;
  if (!place(system, lock, hWndParent, dwStyle, placement)) {
    return nullptr;
  }
  Window created;
  created.windowClass = windowClass;
  created.threadId = GetCurrentThreadId();
  created.proc = windowClass->proc;
  created.instance = hInstance;
  created.parent = placement.parent;
  created.owner = placement.owner;
  created.messageOnly = placement.messageOnly;
  // Overlapped top-level windows always have a caption and a border.
  const bool overlapped = (dwStyle & (WS_CHILD | WS_POPUP)) == 0 && !placement.messageOnly;
  created.style = (dwStyle & ~WS_VISIBLE) | (overlapped ? WS_CAPTION | WS_CLIPSIBLINGS : 0);
  created.exStyle = dwExStyle;
  created.id = (dwStyle & WS_CHILD) != 0 ? reinterpret_cast<LONG_PTR>(hMenu) : 0;
  created.extra.resize(static_cast<std::size_t>(windowClass->windowExtra));
  created.rect = initialRect(dwStyle, X, Y, nWidth, nHeight);
  const HWND hwnd = system.add(lock, std::move(created)).handle;
  system.currentQueue(lock);

  const RECT& rect = system.find(lock, hwnd)->rect;
  CREATESTRUCTA cs{lpParam,
                   hInstance,
                   hMenu,
                   hWndParent,
                   rect.bottom - rect.top,
                   rect.right - rect.left,
                   rect.top,
                   rect.left,
                   static_cast<LONG>(dwStyle),
                   lpWindowName,
                   lpClassName,
                   dwExStyle};
  // A window refused at WM_NCCREATE or WM_CREATE never finished being created: it ends
  // with WM_NCDESTROY alone, as under Wine.
  const bool refused = sendMessage(lock, hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) == 0 ||
                       sendMessage(lock, hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1;
  if (refused) {
    if (system.find(lock, hwnd) != nullptr) {
      sendNcDestroy(lock, system, hwnd);
    }
    return nullptr;
  }
  if (system.find(lock, hwnd) == nullptr) {
    return nullptr;
  }
  lock.unlock();
  if ((dwStyle & WS_VISIBLE) != 0) {
    ShowWindow(hwnd, SW_SHOW);
  }
  return hwnd;
}

extern "C" BOOL WINAPI DestroyWindow(HWND hWnd) {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  const Window* window = system.find(lock, hWnd);
  if (window == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (window->threadId != GetCurrentThreadId()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  // A window already on its way out (DestroyWindow from its own WM_DESTROY) is left to
  // the destruction under way.
  if (!window->destroying) {
    destroyWindow(lock, system, hWnd);
  }
  return TRUE;
}
