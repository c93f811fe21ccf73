#pragma once

// The emulated window system's shared state: classes, windows and one message queue per
// thread, all guarded by one mutex. Window procedures are never called with it held.
#include <winapi/include/winapi.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace kxemu::user32 {

using Clock = std::chrono::steady_clock;
using Lock = std::unique_lock<std::mutex>;

struct WindowClass {
  ATOM atom = 0;
  std::string name;
  HINSTANCE instance = nullptr;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int windowExtra = 0;
  int windows = 0;
};

struct Window {
  HWND handle = nullptr;
  std::shared_ptr<WindowClass> windowClass;
  DWORD threadId = 0;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  HWND parent = nullptr; // set for child windows only
  HWND owner = nullptr;  // top-level windows only
  bool messageOnly = false;
  bool destroying = false;
  DWORD style = 0;
  DWORD exStyle = 0;
  LONG_PTR userData = 0;
  LONG_PTR id = 0;
  std::vector<BYTE> extra;
  std::string text;
  RECT rect{}; // in the parent's client coordinates for children, screen coordinates otherwise
};

struct ThreadQueue;

// A message sent to a window of another thread, answered by that thread.
struct SentMessage {
  SentMessage(HWND to, UINT what, WPARAM w, LPARAM l) : hwnd(to), message(what), wParam(w), lParam(l) {}

  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  std::vector<BYTE> record; // the sender's data when it may not outlive the call
  LRESULT result = 0;
  bool done = false;
  std::shared_ptr<ThreadQueue> replyTo; // null when nobody waits for the answer
};

struct ThreadTimer {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT period = 0;
  TIMERPROC proc = nullptr;
  Clock::time_point due;
};

struct ThreadQueue {
  DWORD threadId = 0;
  std::deque<MSG> posted;
  std::deque<std::shared_ptr<SentMessage>> incoming;
  std::vector<ThreadTimer> timers;
  bool quitPending = false;
  int quitCode = 0;
  // A message to retrieve (posted, or the quit request) arrived since the thread last
  // looked at its queue; sent messages are answered without being retrieved.
  bool arrived = false;
  // The thread is blocked waiting for messages and answers sent ones at once.
  bool waiting = false;
  std::condition_variable wake;
};

class WindowSystem;

// Retrieval filter of PeekMessageA and GetMessageA.
struct MessageFilter {
  HWND hwnd = nullptr;
  UINT first = 0;
  UINT last = 0;

  bool accepts(WindowSystem& system, const Lock& held, HWND target, UINT message) const;
};

class WindowSystem {
public:
  static WindowSystem& get();

  Lock lock() { return Lock(mutex_); }

  // The calling thread's queue, created on first use and retired when the thread ends.
  ThreadQueue& currentQueue(const Lock& held);
  std::shared_ptr<ThreadQueue> queueOf(const Lock& held, DWORD threadId);

  Window* find(const Lock& held, HWND hwnd);
  Window& add(const Lock& held, Window window);
  // Drops the window with everything the system holds for it: its class count, its queued
  // and timer messages, sent messages still unanswered (they answer 0), its device
  // notifications, the foreground and the ownership of the windows it owns.
  void erase(const Lock& held, HWND hwnd);
  // Windows in creation order.
  std::vector<HWND> all(const Lock& held) const;
  std::vector<HWND> childrenOf(const Lock& held, HWND parent) const;
  bool isDescendant(const Lock& held, HWND hwnd, HWND ancestor);
  // The top-level window a window belongs to (itself when it has no parent), or null.
  HWND topLevelOf(const Lock& held, HWND hwnd);

  std::vector<std::shared_ptr<WindowClass>> classes;
  HWND foreground = nullptr;

private:
  friend struct QueueRetirement;
  void retireThread(DWORD threadId);

  std::mutex mutex_;
  std::map<std::uintptr_t, Window> windows_;
  std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>> queues_;
  std::uintptr_t nextHandle_ = 0x10020;
};

// The class a name or atom names for a module: the module's own class, else a global
// class (CS_GLOBALCLASS) of that name. Names compare without regard to case.
std::shared_ptr<WindowClass> findClass(WindowSystem& system, const Lock& held, LPCSTR nameOrAtom,
                                       HINSTANCE instance);
// Whether a class name or atom (the low word of a pointer whose high part is zero) names
// the class.
bool namesClass(const WindowClass& windowClass, LPCSTR nameOrAtom);

// Copies text into a caller's buffer of `size` characters, truncating and terminating it
// as Windows does; the result is the number of characters copied.
int copyTruncated(const std::string& text, LPSTR buffer, int size);

// The filter window that selects the messages posted to the thread itself.
HWND threadMessagesOnly();
// The handle GetDesktopWindow returns; it names no entry of the window table.
HWND desktopHandle();
// Milliseconds of the system clock as message times and timer arguments report them.
DWORD tickCount();

// Calls the window's procedure for a window of the calling thread, or sends the message
// to the owner thread and pumps until it answers. `lock` is released around every call.
LRESULT sendMessage(Lock& lock, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Leaves a sent message in the target thread's queue, answered when that thread next
// looks at its queue, with nobody waiting for the answer.
void sendWithoutWaiting(ThreadQueue& target, std::shared_ptr<SentMessage> sent);
// Completes a sent message and wakes its sender.
void answer(SentMessage& sent, LRESULT result);
// Answers the messages other threads have sent to the calling thread.
void deliverIncoming(Lock& lock, ThreadQueue& queue);
// Waits on the queue as a thread that answers sent messages, until `until` or a wake-up.
void waitForMessages(Lock& lock, ThreadQueue& queue, Clock::time_point until);

// Timers of the queue (timers.cpp).
bool takeDueTimer(WindowSystem& system, const Lock& held, ThreadQueue& queue, const MessageFilter& filter,
                  bool remove, MSG& out);
Clock::time_point nextTimerDue(WindowSystem& system, const Lock& held, const ThreadQueue& queue,
                               const MessageFilter& filter);
bool isLiveTimer(const ThreadQueue& queue, HWND hwnd, UINT_PTR id, TIMERPROC proc);

// Device notifications registered for a window (device_notifications.cpp).
void forgetDeviceNotifications(const Lock& held, HWND hwnd);

} // namespace kxemu::user32
