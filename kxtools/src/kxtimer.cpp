#include <kxtools/inc/kxtimer.h>
#include <winapi/include/winapi.h>

namespace {

class KxTimerEntry : public KxObject {
public:
  KxTimerEntry(std::uintptr_t key, KxTimer* timer) : key_(key), timer_(timer) {}

  std::int32_t compareTo(const KxObject& other) const override {
    const auto otherKey = static_cast<const KxTimerEntry&>(other).key_;
    return key_ < otherKey ? -1 : (key_ > otherKey ? 1 : 0);
  }

  KxTimer* timer() const { return timer_; }

private:
  std::uintptr_t key_;
  KxTimer* timer_;
};

// The registry holds entries only, so every element of the list is a KxTimerEntry and the
// cast in compareTo is safe.
KxTimerEntry* entryAt(const KxSortedList& entries, std::uintptr_t key) {
  const KxTimerEntry probe(key, nullptr);
  return static_cast<KxTimerEntry*>(entries.find(&probe));
}

void CALLBACK timerProcedure(HWND, UINT, UINT_PTR systemId, DWORD) { KxTimer::deliverTick(systemId); }

// Built when the library loads, destroyed with its entries when it unloads.
KxTimerRegistry processRegistry;

} // namespace

KxTimer::~KxTimer() { stopTimer(); }

bool KxTimer::setListener(KxTimerListener* listener, std::int32_t id) {
  if (running_) {
    return false;
  }
  listener_ = listener;
  id_ = id;
  return true;
}

bool KxTimer::startTimer(std::int32_t periodMs, bool repeating) {
  if (running_ || listener_ == nullptr) {
    return false;
  }
  running_ = true;
  repeating_ = repeating;
  // The system picks the id of a window-less timer; ours is only passed along.
  systemId_ = SetTimer(nullptr, static_cast<UINT_PTR>(id_), static_cast<UINT>(periodMs), timerProcedure);
  if (systemId_ == 0) {
    running_ = false;
    return false;
  }
  if (!KxTimerRegistry::instance().add(this)) {
    stopTimer();
    return false;
  }
  return true;
}

void KxTimer::stopTimer() {
  if (!running_ || listener_ == nullptr) {
    return;
  }
  running_ = false;
  if (systemId_ != 0) {
    KillTimer(nullptr, systemId_);
    KxTimerRegistry::instance().removeKey(systemId_);
    systemId_ = 0;
  }
}

void KxTimer::deliverTick(std::uintptr_t systemId) {
  KxTimer* timer = KxTimerRegistry::instance().lookup(systemId);
  if (timer == nullptr) {
    return;
  }
  // A one-shot timer stops before its listener runs, so the listener may start it again.
  if (!timer->repeating_) {
    timer->stopTimer();
  }
  if (timer->listener_ != nullptr) {
    timer->listener_->onTimer(timer->id_);
  }
}

KxTimerRegistry& KxTimerRegistry::instance() { return processRegistry; }

KxTimerRegistry::KxTimerRegistry() = default;

KxTimerRegistry::~KxTimerRegistry() { entries_.deleteAll(); }

bool KxTimerRegistry::add(KxTimer* timer) {
  if (timer == nullptr) {
    return false;
  }
  std::lock_guard<std::mutex> guard(mutex_);
  auto* entry = new KxTimerEntry(timer->systemId(), timer);
  if (entryAt(entries_, timer->systemId()) != nullptr || !entries_.add(entry)) {
    delete entry;
    return false;
  }
  return true;
}

void KxTimerRegistry::removeKey(std::uintptr_t key) {
  std::lock_guard<std::mutex> guard(mutex_);
  entries_.removeAndDelete(entryAt(entries_, key));
}

KxTimer* KxTimerRegistry::lookup(std::uintptr_t key) const {
  std::lock_guard<std::mutex> guard(mutex_);
  const KxTimerEntry* entry = entryAt(entries_, key);
  return entry != nullptr ? entry->timer() : nullptr;
}
