#include <winapi/emu/user32/window_system.h>

using namespace kxemu::user32;

namespace {

// Windows refuses to post more than this many messages to one queue.
constexpr std::size_t kPostedLimit = 10000;

// Messages whose parameters point into the caller's memory can only be sent: the memory
// may be gone by the time a posted message is retrieved.
bool carriesPointer(UINT message, WPARAM wParam) {
  switch (message) {
  case WM_CREATE:
  case WM_NCCREATE:
  case WM_SETTEXT:
  case WM_GETTEXT:
    return true;
  case WM_DEVICECHANGE:
    return (wParam & 0x8000) != 0;
  default:
    return false;
  }
}

BOOL post(ThreadQueue& queue, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (queue.posted.size() >= kPostedLimit) {
    SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return FALSE;
  }
  MSG msg{};
  msg.hwnd = hwnd;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = tickCount();
  queue.posted.push_back(msg);
  queue.arrived = true;
  queue.wake.notify_all();
  return TRUE;
}

// Posts to a thread's queue when `thread` is given, else to the queue of the window's
// thread (the calling thread's own queue for no window).
BOOL postMessage(const DWORD* thread, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (carriesPointer(message, wParam)) {
    SetLastError(ERROR_MESSAGE_SYNC_ONLY);
    return FALSE;
  }
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  // Only a thread that has used the window system has a queue, as on Windows, where
  // posting gives the calling thread one.
  system.currentQueue(lock);
  auto queue = system.queueOf(lock, GetCurrentThreadId());
  if (thread != nullptr) {
    queue = system.queueOf(lock, *thread);
  } else if (hwnd != nullptr) {
    const Window* window = system.find(lock, hwnd);
    queue = window != nullptr ? system.queueOf(lock, window->threadId) : nullptr;
  }
  if (!queue) {
    SetLastError(thread != nullptr ? ERROR_INVALID_THREAD_ID : ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return post(*queue, hwnd, message, wParam, lParam);
}

} // namespace

extern "C" BOOL WINAPI PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) {
  return postMessage(&idThread, nullptr, Msg, wParam, lParam);
}

extern "C" BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  return postMessage(nullptr, hWnd, Msg, wParam, lParam);
}

extern "C" VOID WINAPI PostQuitMessage(int nExitCode) {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  ThreadQueue& queue = system.currentQueue(lock);
  queue.quitPending = true;
  queue.quitCode = nExitCode;
  queue.arrived = true;
}

extern "C" LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  auto lock = WindowSystem::get().lock();
  return sendMessage(lock, hWnd, Msg, wParam, lParam);
}
