#include <winapi/emu/user32/window_system.h>

#include <algorithm>

using namespace kxemu::user32;

namespace {

bool isValidFilterWindow(WindowSystem& system, const Lock& held, HWND hwnd) {
  return hwnd == nullptr || hwnd == threadMessagesOnly() || system.find(held, hwnd) != nullptr;
}

MSG quitMessage(int code) {
  MSG msg{};
  msg.message = WM_QUIT;
  msg.wParam = static_cast<WPARAM>(code);
  msg.time = tickCount();
  return msg;
}

// Windows' order of retrieval: sent messages are answered first, then the first posted
// message the filter accepts, then the quit request (which passes any filter), then a
// due timer. Painting messages would come before the timers; there are none yet.
bool takeMessage(Lock& lock, ThreadQueue& queue, const MessageFilter& filter, bool remove, MSG& out) {
  auto& system = WindowSystem::get();
  deliverIncoming(lock, queue);
  queue.arrived = false;
  const auto posted = std::find_if(queue.posted.begin(), queue.posted.end(), [&](const MSG& msg) {
    return filter.accepts(system, lock, msg.hwnd, msg.message);
  });
  if (posted != queue.posted.end()) {
    out = *posted;
    if (remove) {
      queue.posted.erase(posted);
    }
    return true;
  }
  if (queue.quitPending) {
    out = quitMessage(queue.quitCode);
    if (remove) {
      queue.quitPending = false;
    }
    return true;
  }
  return takeDueTimer(system, lock, queue, filter, remove, out);
}

} // namespace

extern "C" BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                                    UINT wRemoveMsg) {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  if (lpMsg == nullptr) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  if (!isValidFilterWindow(system, lock, hWnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  ThreadQueue& queue = system.currentQueue(lock);
  const MessageFilter filter{hWnd, wMsgFilterMin, wMsgFilterMax};
  return takeMessage(lock, queue, filter, (wRemoveMsg & PM_REMOVE) != 0, *lpMsg) ? TRUE : FALSE;
}

extern "C" BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  if (lpMsg == nullptr) {
    SetLastError(ERROR_NOACCESS);
    return -1;
  }
  if (!isValidFilterWindow(system, lock, hWnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  ThreadQueue& queue = system.currentQueue(lock);
  const MessageFilter filter{hWnd, wMsgFilterMin, wMsgFilterMax};
  while (!takeMessage(lock, queue, filter, true, *lpMsg)) {
    waitForMessages(lock, queue, nextTimerDue(system, lock, queue, filter));
  }
  return lpMsg->message == WM_QUIT ? FALSE : TRUE;
}

extern "C" BOOL WINAPI WaitMessage() {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  ThreadQueue& queue = system.currentQueue(lock);
  const MessageFilter anything{};
  MSG due{};
  // Sent messages are answered while waiting; only what the thread has to retrieve
  // itself ends the wait.
  while (true) {
    deliverIncoming(lock, queue);
    if (queue.arrived || takeDueTimer(system, lock, queue, anything, false, due)) {
      return TRUE;
    }
    waitForMessages(lock, queue, nextTimerDue(system, lock, queue, anything));
  }
}
