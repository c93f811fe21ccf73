#include <winapi/emu/user32/window_system.h>

using namespace kxemu::user32;

namespace {

// The window's title lives in the window system; the default procedure is what reads
// and writes it, so a procedure that handles WM_SETTEXT itself keeps its own title.
LRESULT handleText(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  Window* window = system.find(lock, hwnd);
  if (window == nullptr) {
    return 0;
  }
  switch (message) {
  case WM_NCCREATE: {
    const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    window->text = cs != nullptr && cs->lpszName != nullptr ? cs->lpszName : "";
    return TRUE;
  }
  case WM_SETTEXT: {
    const auto* text = reinterpret_cast<LPCSTR>(lParam);
    window->text = text != nullptr ? text : "";
    return TRUE;
  }
  case WM_GETTEXT:
    return copyTruncated(window->text, reinterpret_cast<LPSTR>(lParam), static_cast<int>(wParam));
  default:
    return static_cast<LRESULT>(window->text.size());
  }
}

} // namespace

extern "C" LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  switch (Msg) {
  case WM_NCCREATE:
  case WM_SETTEXT:
  case WM_GETTEXT:
  case WM_GETTEXTLENGTH:
    return handleText(hWnd, Msg, wParam, lParam);
  case WM_CLOSE:
    DestroyWindow(hWnd);
    return 0;
  case WM_SYSCOMMAND:
    if ((wParam & 0xFFF0) == SC_CLOSE) {
      SendMessageA(hWnd, WM_CLOSE, 0, 0);
    }
    return 0;
  case WM_QUERYENDSESSION:
  case WM_QUERYOPEN:
  case WM_NCACTIVATE:
  case WM_DEVICECHANGE:
    // Agreeing answers; for a device query, anything but BROADCAST_QUERY_DENY agrees.
    return TRUE;
  default:
    return 0;
  }
}
