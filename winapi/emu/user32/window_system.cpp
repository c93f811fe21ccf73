#include <winapi/emu/user32/window_system.h>

#include <algorithm>

namespace kxemu::user32 {

// Ends the thread's part of the window system when the thread exits, as Windows does:
// its windows go without messages (their procedures may belong to objects already
// gone), its timers with its queue, and its unanswered senders are released.
struct QueueRetirement {
  DWORD threadId = 0;
  ~QueueRetirement() {
    if (threadId != 0) {
      WindowSystem::get().retireThread(threadId);
    }
  }
};

namespace {
thread_local QueueRetirement retirement;
} // namespace

WindowSystem& WindowSystem::get() {
  // Never destroyed: threads may still retire their queues while the process exits.
  static auto* system = new WindowSystem;
  return *system;
}

ThreadQueue& WindowSystem::currentQueue(const Lock&) {
  const DWORD self = GetCurrentThreadId();
  auto& slot = queues_[self];
  if (!slot) {
    slot = std::make_shared<ThreadQueue>();
    slot->threadId = self;
    retirement.threadId = self;
  }
  return *slot;
}

std::shared_ptr<ThreadQueue> WindowSystem::queueOf(const Lock&, DWORD threadId) {
  const auto it = queues_.find(threadId);
  return it == queues_.end() ? nullptr : it->second;
}

Window* WindowSystem::find(const Lock&, HWND hwnd) {
  const auto it = windows_.find(reinterpret_cast<std::uintptr_t>(hwnd));
  return it == windows_.end() ? nullptr : &it->second;
}

Window& WindowSystem::add(const Lock&, Window window) {
  window.handle = reinterpret_cast<HWND>(nextHandle_);
  nextHandle_ += 4;
  ++window.windowClass->windows;
  const auto key = reinterpret_cast<std::uintptr_t>(window.handle);
  return windows_.emplace(key, std::move(window)).first->second;
}

void WindowSystem::erase(const Lock& held, HWND hwnd) {
  const auto it = windows_.find(reinterpret_cast<std::uintptr_t>(hwnd));
  if (it == windows_.end()) {
    return;
  }
  --it->second.windowClass->windows;
  windows_.erase(it);
  for (auto& [key, other] : windows_) {
    if (other.owner == hwnd) {
      other.owner = nullptr;
    }
  }
  if (foreground == hwnd) {
    foreground = nullptr;
  }
  for (auto& [threadId, queue] : queues_) {
    std::erase_if(queue->posted, [hwnd](const MSG& msg) { return msg.hwnd == hwnd; });
    std::erase_if(queue->timers, [hwnd](const ThreadTimer& timer) { return timer.hwnd == hwnd; });
    std::erase_if(queue->incoming, [hwnd](const std::shared_ptr<SentMessage>& sent) {
      if (sent->hwnd != hwnd) {
        return false;
      }
      answer(*sent, 0);
      return true;
    });
  }
  forgetDeviceNotifications(held, hwnd);
}

std::vector<HWND> WindowSystem::all(const Lock&) const {
  std::vector<HWND> handles;
  for (const auto& [key, window] : windows_) {
    handles.push_back(window.handle);
  }
  return handles;
}

std::vector<HWND> WindowSystem::childrenOf(const Lock&, HWND parent) const {
  std::vector<HWND> handles;
  for (const auto& [key, window] : windows_) {
    if (window.parent == parent) {
      handles.push_back(window.handle);
    }
  }
  return handles;
}

bool WindowSystem::isDescendant(const Lock& held, HWND hwnd, HWND ancestor) {
  for (const Window* window = find(held, hwnd); window != nullptr; window = find(held, window->parent)) {
    if (window->parent == ancestor) {
      return true;
    }
  }
  return false;
}

HWND WindowSystem::topLevelOf(const Lock& held, HWND hwnd) {
  const Window* window = find(held, hwnd);
  while (window != nullptr && window->parent != nullptr) {
    window = find(held, window->parent);
  }
  return window != nullptr ? window->handle : nullptr;
}

void WindowSystem::retireThread(DWORD threadId) {
  auto held = lock();
  std::vector<HWND> doomed;
  for (const auto& [key, window] : windows_) {
    if (window.threadId == threadId) {
      doomed.push_back(window.handle);
    }
  }
  // Children of the thread's windows go with them, whichever thread made them.
  for (std::size_t i = 0; i < doomed.size(); ++i) {
    for (HWND child : childrenOf(held, doomed[i])) {
      if (std::find(doomed.begin(), doomed.end(), child) == doomed.end()) {
        doomed.push_back(child);
      }
    }
  }
  for (HWND hwnd : doomed) {
    erase(held, hwnd);
  }
  const auto it = queues_.find(threadId);
  if (it != queues_.end()) {
    for (const auto& sent : it->second->incoming) {
      answer(*sent, 0);
    }
    queues_.erase(it);
  }
}

bool MessageFilter::accepts(WindowSystem& system, const Lock& held, HWND target, UINT message) const {
  const bool anyMessage = first == 0 && last == 0;
  // A zero upper bound leaves the range open upwards.
  const UINT upper = last == 0 ? ~0u : last;
  if (!anyMessage && (message < first || message > upper)) {
    return false;
  }
  if (hwnd == nullptr) {
    return true;
  }
  if (hwnd == threadMessagesOnly()) {
    return target == nullptr;
  }
  return target == hwnd || system.isDescendant(held, target, hwnd);
}

int copyTruncated(const std::string& text, LPSTR buffer, int size) {
  if (buffer == nullptr || size <= 0) {
    return 0;
  }
  const std::size_t copied = std::min(text.size(), static_cast<std::size_t>(size - 1));
  text.copy(buffer, copied);
  buffer[copied] = '\0';
  return static_cast<int>(copied);
}

HWND threadMessagesOnly() { return reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1)); }

HWND desktopHandle() { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x10010)); }

DWORD tickCount() {
  const auto elapsed = Clock::now().time_since_epoch();
  return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

} // namespace kxemu::user32
