#include <winapi/emu/user32/window_system.h>

namespace kxemu::user32 {

namespace {

LRESULT callUnlocked(Lock& lock, WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (proc == nullptr) {
    return 0;
  }
  lock.unlock();
  const LRESULT result = proc(hwnd, message, wParam, lParam);
  lock.lock();
  return result;
}

void enqueue(ThreadQueue& target, const std::shared_ptr<SentMessage>& sent) {
  target.incoming.push_back(sent);
  target.wake.notify_all();
}

} // namespace

void answer(SentMessage& sent, LRESULT result) {
  sent.result = result;
  sent.done = true;
  if (sent.replyTo) {
    sent.replyTo->wake.notify_all();
  }
}

LRESULT sendMessage(Lock& lock, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto& system = WindowSystem::get();
  const Window* window = system.find(lock, hwnd);
  if (window == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  const DWORD self = GetCurrentThreadId();
  if (window->threadId == self) {
    return callUnlocked(lock, window->proc, hwnd, message, wParam, lParam);
  }
  const auto target = system.queueOf(lock, window->threadId);
  ThreadQueue& mine = system.currentQueue(lock);
  if (!target) {
    return 0;
  }
  auto sent = std::make_shared<SentMessage>(hwnd, message, wParam, lParam);
  sent->replyTo = system.queueOf(lock, self);
  enqueue(*target, sent);
  // While it waits the sender answers what is sent to it, so two threads sending to each
  // other do not deadlock.
  while (!sent->done) {
    if (!mine.incoming.empty()) {
      deliverIncoming(lock, mine);
      continue;
    }
    waitForMessages(lock, mine, Clock::time_point::max());
  }
  return sent->result;
}

void sendWithoutWaiting(ThreadQueue& target, std::shared_ptr<SentMessage> sent) {
  sent->replyTo = nullptr;
  enqueue(target, sent);
}

void deliverIncoming(Lock& lock, ThreadQueue& queue) {
  auto& system = WindowSystem::get();
  while (!queue.incoming.empty()) {
    const auto sent = queue.incoming.front();
    queue.incoming.pop_front();
    const Window* window = system.find(lock, sent->hwnd);
    const WNDPROC proc = window != nullptr ? window->proc : nullptr;
    answer(*sent, callUnlocked(lock, proc, sent->hwnd, sent->message, sent->wParam, sent->lParam));
  }
}

void waitForMessages(Lock& lock, ThreadQueue& queue, Clock::time_point until) {
  queue.waiting = true;
  if (until == Clock::time_point::max()) {
    queue.wake.wait(lock);
  } else {
    queue.wake.wait_until(lock, until);
  }
  queue.waiting = false;
}

} // namespace kxemu::user32
