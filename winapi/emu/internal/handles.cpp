#include <winapi/emu/internal/handles.h>

#include <vector>

namespace kxemu {
namespace {

struct HandleTable {
  std::mutex mutex;
  std::vector<std::shared_ptr<KernelObject>> slots; // slot i is handle value 4 * (i + 1)
  std::vector<size_t> freeSlots;
};

HandleTable& table() {
  static HandleTable* instance = new HandleTable; // never destroyed: used until the very end
  return *instance;
}

bool slotOf(HANDLE handle, size_t& slot) {
  const auto value = reinterpret_cast<UINT_PTR>(handle);
  if (value == 0 || (value & 3) != 0 || value > (UINT_PTR{1} << 30)) {
    return false;
  }
  slot = value / 4 - 1;
  return true;
}

} // namespace

HANDLE insertHandle(std::shared_ptr<KernelObject> object) {
  auto& t = table();
  std::lock_guard lock(t.mutex);
  size_t slot;
  if (!t.freeSlots.empty()) {
    // The most recently freed value first, as Windows tends to reuse handle values soon.
    slot = t.freeSlots.back();
    t.freeSlots.pop_back();
    t.slots[slot] = std::move(object);
  } else {
    slot = t.slots.size();
    t.slots.push_back(std::move(object));
  }
  return reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(4 * (slot + 1)));
}

std::shared_ptr<KernelObject> lookupHandle(HANDLE handle) {
  size_t slot;
  if (!slotOf(handle, slot)) {
    return nullptr;
  }
  auto& t = table();
  std::lock_guard lock(t.mutex);
  if (slot >= t.slots.size()) {
    return nullptr;
  }
  return t.slots[slot];
}

bool removeHandle(HANDLE handle) {
  size_t slot;
  if (!slotOf(handle, slot)) {
    return false;
  }
  std::shared_ptr<KernelObject> object; // released outside the lock: destructors may call back
  {
    auto& t = table();
    std::lock_guard lock(t.mutex);
    if (slot >= t.slots.size() || !t.slots[slot]) {
      return false;
    }
    object = std::move(t.slots[slot]);
    t.slots[slot].reset();
    t.freeSlots.push_back(slot);
  }
  return true;
}

std::mutex& waitMutex() {
  static std::mutex* instance = new std::mutex;
  return *instance;
}

std::condition_variable& waitCondition() {
  static std::condition_variable* instance = new std::condition_variable;
  return *instance;
}

void notifyWaiters() { waitCondition().notify_all(); }

} // namespace kxemu
