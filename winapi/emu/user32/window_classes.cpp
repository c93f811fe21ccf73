#include <winapi/emu/user32/window_system.h>

#include <algorithm>
#include <strings.h>

namespace kxemu::user32 {

namespace {

// Class atoms come from the range Windows uses for string atoms.
ATOM nextAtom = 0xC000;

bool isAtom(LPCSTR nameOrAtom) { return (reinterpret_cast<ULONG_PTR>(nameOrAtom) >> 16) == 0; }

ATOM registerClass(const WNDCLASSEXA& wc) {
  if (wc.lpszClassName == nullptr || isAtom(wc.lpszClassName) || wc.cbWndExtra < 0 || wc.cbClsExtra < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  const auto existing = findClass(system, lock, wc.lpszClassName, wc.hInstance);
  if (existing) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto windowClass = std::make_shared<WindowClass>();
  windowClass->atom = nextAtom++;
  windowClass->name = wc.lpszClassName;
  windowClass->instance = wc.hInstance;
  windowClass->style = wc.style;
  windowClass->proc = wc.lpfnWndProc;
  windowClass->windowExtra = wc.cbWndExtra;
  system.classes.push_back(windowClass);
  return windowClass->atom;
}

} // namespace

bool namesClass(const WindowClass& windowClass, LPCSTR nameOrAtom) {
  if (isAtom(nameOrAtom)) {
    return windowClass.atom == static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(nameOrAtom));
  }
  return strcasecmp(windowClass.name.c_str(), nameOrAtom) == 0;
}

std::shared_ptr<WindowClass> findClass(WindowSystem& system, const Lock&, LPCSTR nameOrAtom,
                                       HINSTANCE instance) {
  if (nameOrAtom == nullptr) {
    return nullptr;
  }
  std::shared_ptr<WindowClass> global;
  for (const auto& windowClass : system.classes) {
    if (!namesClass(*windowClass, nameOrAtom)) {
      continue;
    }
    if (windowClass->instance == instance) {
      return windowClass;
    }
    if ((windowClass->style & CS_GLOBALCLASS) != 0) {
      global = windowClass;
    }
  }
  return global;
}

} // namespace kxemu::user32

using namespace kxemu::user32;

extern "C" ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* lpWndClass) {
  if (lpWndClass == nullptr || lpWndClass->cbSize != sizeof(WNDCLASSEXA)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return registerClass(*lpWndClass);
}

extern "C" ATOM WINAPI RegisterClassA(const WNDCLASSA* lpWndClass) {
  if (lpWndClass == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const WNDCLASSEXA wc{sizeof(WNDCLASSEXA),      lpWndClass->style,         lpWndClass->lpfnWndProc,
                       lpWndClass->cbClsExtra,   lpWndClass->cbWndExtra,    lpWndClass->hInstance,
                       lpWndClass->hIcon,        lpWndClass->hCursor,       lpWndClass->hbrBackground,
                       lpWndClass->lpszMenuName, lpWndClass->lpszClassName, nullptr};
  return registerClass(wc);
}

extern "C" BOOL WINAPI UnregisterClassA(LPCSTR lpClassName, HINSTANCE hInstance) {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  const auto it = std::find_if(system.classes.begin(), system.classes.end(), [&](const auto& windowClass) {
    return lpClassName != nullptr && windowClass->instance == hInstance &&
           namesClass(*windowClass, lpClassName);
  });
  if (it == system.classes.end()) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  if ((*it)->windows > 0) {
    SetLastError(ERROR_CLASS_HAS_WINDOWS);
    return FALSE;
  }
  system.classes.erase(it);
  return TRUE;
}

extern "C" int WINAPI GetClassNameA(HWND hWnd, LPSTR lpClassName, int nMaxCount) {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  const Window* window = system.find(lock, hWnd);
  if (hWnd == desktopHandle()) {
    return copyTruncated("#32769", lpClassName, nMaxCount);
  }
  if (window == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return copyTruncated(window->windowClass->name, lpClassName, nMaxCount);
}
