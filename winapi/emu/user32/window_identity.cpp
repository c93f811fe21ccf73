#include <winapi/emu/user32/window_system.h>

#include <strings.h>
#include <unistd.h>

using namespace kxemu::user32;

extern "C" BOOL WINAPI IsWindow(HWND hWnd) {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  return hWnd == desktopHandle() || system.find(lock, hWnd) != nullptr ? TRUE : FALSE;
}

extern "C" DWORD WINAPI GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId) {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  const Window* window = system.find(lock, hWnd);
  if (window == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (lpdwProcessId != nullptr) {
    *lpdwProcessId = static_cast<DWORD>(getpid());
  }
  return window->threadId;
}

// Searches the top-level windows, newest (topmost) first; message-only windows are not
// found, as on Windows. Class and title compare without regard to case.
extern "C" HWND WINAPI FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName) {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  const auto handles = system.all(lock);
  for (auto it = handles.rbegin(); it != handles.rend(); ++it) {
    const Window* window = system.find(lock, *it);
    if (window->parent != nullptr || window->messageOnly || window->destroying) {
      continue;
    }
    const bool classMatches = lpClassName == nullptr || namesClass(*window->windowClass, lpClassName);
    const bool titleMatches = lpWindowName == nullptr || strcasecmp(window->text.c_str(), lpWindowName) == 0;
    if (classMatches && titleMatches) {
      return window->handle;
    }
  }
  return nullptr;
}

extern "C" BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString) {
  auto lock = WindowSystem::get().lock();
  return sendMessage(lock, hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) != 0 ? TRUE : FALSE;
}

extern "C" int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount) {
  if (lpString == nullptr || nMaxCount <= 0) {
    return 0;
  }
  lpString[0] = '\0';
  auto lock = WindowSystem::get().lock();
  return static_cast<int>(sendMessage(lock, hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount),
                                      reinterpret_cast<LPARAM>(lpString)));
}

extern "C" int WINAPI GetWindowTextLengthA(HWND hWnd) {
  auto lock = WindowSystem::get().lock();
  return static_cast<int>(sendMessage(lock, hWnd, WM_GETTEXTLENGTH, 0, 0));
}
