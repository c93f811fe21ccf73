#include <winapi/emu/user32/window_system.h>

#include <cstring>

using namespace kxemu::user32;

namespace {

// Extra bytes are read and written `width` bytes at a time at a non-negative offset.
BYTE* extraBytes(Window& window, int index, std::size_t width) {
  const auto offset = static_cast<std::size_t>(index);
  return index >= 0 && offset + width <= window.extra.size() ? window.extra.data() + offset : nullptr;
}

bool readSlot(Window& window, int index, std::size_t width, LONG_PTR& value) {
  if (index >= 0) {
    const BYTE* bytes = extraBytes(window, index, width);
    if (bytes == nullptr) {
      return false;
    }
    if (width == sizeof(LONG)) {
      LONG narrow = 0;
      std::memcpy(&narrow, bytes, sizeof(narrow));
      value = narrow;
    } else {
      std::memcpy(&value, bytes, sizeof(value));
    }
    return true;
  }
  switch (index) {
  case GWLP_WNDPROC:
    value = reinterpret_cast<LONG_PTR>(window.proc);
    return true;
  case GWLP_HINSTANCE:
    value = reinterpret_cast<LONG_PTR>(window.instance);
    return true;
  case GWLP_HWNDPARENT:
    value = reinterpret_cast<LONG_PTR>(window.parent != nullptr ? window.parent : window.owner);
    return true;
  case GWLP_ID:
    value = window.id;
    return true;
  case GWL_STYLE:
    value = static_cast<LONG>(window.style);
    return true;
  case GWL_EXSTYLE:
    value = static_cast<LONG>(window.exStyle);
    return true;
  case GWLP_USERDATA:
    value = window.userData;
    return true;
  default:
    return false;
  }
}

// Called only for an index readSlot accepted.
void writeSlot(Window& window, int index, std::size_t width, LONG_PTR value) {
  if (index >= 0) {
    BYTE* bytes = extraBytes(window, index, width);
    if (width == sizeof(LONG)) {
      const auto narrow = static_cast<LONG>(value);
      std::memcpy(bytes, &narrow, sizeof(narrow));
    } else {
      std::memcpy(bytes, &value, sizeof(value));
    }
    return;
  }
  switch (index) {
  case GWLP_WNDPROC:
    window.proc = reinterpret_cast<WNDPROC>(value);
    break;
  case GWLP_HINSTANCE:
    window.instance = reinterpret_cast<HINSTANCE>(value);
    break;
  case GWLP_HWNDPARENT:
    // For a top-level window this sets the owner; a child keeps its parent.
    if (window.parent == nullptr) {
      window.owner = reinterpret_cast<HWND>(value);
    }
    break;
  case GWLP_ID:
    window.id = value;
    break;
  case GWL_STYLE:
    window.style = static_cast<DWORD>(value);
    break;
  case GWL_EXSTYLE:
    window.exStyle = static_cast<DWORD>(value);
    break;
  default:
    window.userData = value;
    break;
  }
}

template <typename T>
T accessWindowData(HWND hwnd, int index, T value, bool write) {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  Window* window = system.find(lock, hwnd);
  if (window == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  LONG_PTR old = 0;
  if (!readSlot(*window, index, sizeof(T), old)) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  if (write) {
    writeSlot(*window, index, sizeof(T), static_cast<LONG_PTR>(value));
  }
  return static_cast<T>(old);
}

} // namespace

extern "C" LONG_PTR WINAPI GetWindowLongPtrA(HWND hWnd, int nIndex) {
  return accessWindowData<LONG_PTR>(hWnd, nIndex, 0, false);
}

extern "C" LONG_PTR WINAPI SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
  return accessWindowData<LONG_PTR>(hWnd, nIndex, dwNewLong, true);
}

extern "C" LONG WINAPI GetWindowLongA(HWND hWnd, int nIndex) {
  return accessWindowData<LONG>(hWnd, nIndex, 0, false);
}

extern "C" LONG WINAPI SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong) {
  return accessWindowData<LONG>(hWnd, nIndex, dwNewLong, true);
}
