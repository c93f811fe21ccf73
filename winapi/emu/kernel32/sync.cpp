// Handles and waits: CloseHandle, DuplicateHandle, WaitForSingleObject,
// WaitForMultipleObjects, events, mutexes and semaphores (named ones within the process).
#include <winapi/emu/internal/errors.h>
#include <winapi/emu/internal/threads.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace kxemu {
namespace {

class EventObject : public KernelObject {
public:
  EventObject(bool manualReset, bool state)
      : KernelObject(ObjectKind::Event), manual(manualReset), set(state) {}
  bool waitable() const override { return true; }
  bool signalled() const override { return set; }
  void acquire() override {
    if (!manual) {
      set = false;
    }
  }
  const bool manual;
  bool set; // guarded by the wait mutex
};

class MutexObject : public KernelObject {
public:
  MutexObject() : KernelObject(ObjectKind::Mutex) {}
  bool waitable() const override { return true; }
  bool signalled() const override { return owner == 0 || owner == GetCurrentThreadId(); }
  void acquire() override {
    owner = GetCurrentThreadId();
    ++count;
  }
  DWORD owner = 0; // guarded by the wait mutex
  DWORD count = 0;
};

class SemaphoreObject : public KernelObject {
public:
  SemaphoreObject(LONG initial, LONG maximum)
      : KernelObject(ObjectKind::Semaphore), count(initial), maximumCount(maximum) {}
  bool waitable() const override { return true; }
  bool signalled() const override { return count > 0; }
  void acquire() override { --count; }
  LONG count; // guarded by the wait mutex
  const LONG maximumCount;
};

// The current process as a waitable object: never signalled while anyone can wait on it.
class ProcessObject : public KernelObject {
public:
  ProcessObject() : KernelObject(ObjectKind::Process) {}
  bool waitable() const override { return true; }
  bool signalled() const override { return false; }
};

std::shared_ptr<KernelObject> processObject() {
  static auto* instance = new std::shared_ptr<KernelObject>(std::make_shared<ProcessObject>());
  return *instance;
}

// Resolves a handle for waiting and duplication, pseudo handles included.
std::shared_ptr<KernelObject> objectOf(HANDLE handle) {
  if (handle == currentProcessPseudoHandle()) {
    return processObject();
  }
  if (handle == currentThreadPseudoHandle()) {
    return currentThreadObject();
  }
  return lookupHandle(handle);
}

// Named objects of this process (Windows shares them across processes; not emulated).
std::mutex& namesMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}
std::map<std::string, std::weak_ptr<KernelObject>>& names() {
  static auto* table = new std::map<std::string, std::weak_ptr<KernelObject>>;
  return *table;
}

// Creates or opens a named object: returns the handle, or null with the last error set.
template <class Make>
HANDLE createNamed(LPCSTR name, ObjectKind kind, Make make) {
  if (!name || !*name) {
    SetLastError(ERROR_SUCCESS);
    return insertHandle(make());
  }
  std::lock_guard lock(namesMutex());
  auto& table = names();
  if (auto it = table.find(name); it != table.end()) {
    if (auto existing = it->second.lock()) {
      if (existing->kind() != kind) {
        return fail(ERROR_INVALID_HANDLE, static_cast<HANDLE>(nullptr));
      }
      SetLastError(ERROR_ALREADY_EXISTS);
      return insertHandle(existing);
    }
  }
  auto object = make();
  table[name] = object;
  SetLastError(ERROR_SUCCESS);
  return insertHandle(object);
}

HANDLE openNamed(LPCSTR name, ObjectKind kind) {
  if (!name) {
    return fail(ERROR_INVALID_PARAMETER, static_cast<HANDLE>(nullptr));
  }
  std::lock_guard lock(namesMutex());
  auto& table = names();
  auto it = table.find(name);
  std::shared_ptr<KernelObject> existing = it == table.end() ? nullptr : it->second.lock();
  if (!existing) {
    return fail(ERROR_FILE_NOT_FOUND, static_cast<HANDLE>(nullptr));
  }
  if (existing->kind() != kind) {
    return fail(ERROR_INVALID_HANDLE, static_cast<HANDLE>(nullptr));
  }
  return insertHandle(existing);
}

DWORD waitFor(const std::vector<std::shared_ptr<KernelObject>>& objects, bool waitAll, DWORD milliseconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  std::unique_lock lock(waitMutex());
  for (;;) {
    if (waitAll) {
      bool all = true;
      for (const auto& object : objects) {
        all = all && object->signalled();
      }
      if (all) {
        bool anyAbandoned = false;
        for (const auto& object : objects) {
          anyAbandoned = anyAbandoned || object->abandoned();
          object->acquire();
        }
        return anyAbandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0;
      }
    } else {
      for (size_t i = 0; i < objects.size(); ++i) {
        if (objects[i]->signalled()) {
          const bool wasAbandoned = objects[i]->abandoned();
          objects[i]->acquire();
          return (wasAbandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0) + static_cast<DWORD>(i);
        }
      }
    }
    if (milliseconds == 0) {
      return WAIT_TIMEOUT;
    }
    if (milliseconds == INFINITE) {
      waitCondition().wait(lock);
    } else if (waitCondition().wait_until(lock, deadline) == std::cv_status::timeout &&
               std::chrono::steady_clock::now() >= deadline) {
      milliseconds = 0; // one last look, then time out
    }
  }
}

} // namespace
} // namespace kxemu

using namespace kxemu;

extern "C" BOOL WINAPI CloseHandle(HANDLE object) {
  if (object == currentProcessPseudoHandle() || object == currentThreadPseudoHandle()) {
    return TRUE;
  }
  auto found = lookupHandle(object);
  if (!found || found->kind() == ObjectKind::Find || found->kind() == ObjectKind::DevInfoSet) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  found.reset();
  if (!removeHandle(object)) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  return TRUE;
}

extern "C" BOOL WINAPI DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess,
                                       LPHANDLE target, DWORD, BOOL, DWORD options) {
  if (sourceProcess != currentProcessPseudoHandle() || targetProcess != currentProcessPseudoHandle()) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  auto object = objectOf(source);
  if (!object || object->kind() == ObjectKind::Find || object->kind() == ObjectKind::DevInfoSet) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  if (options & DUPLICATE_CLOSE_SOURCE) {
    CloseHandle(source);
  }
  if (target) {
    *target = insertHandle(std::move(object));
  }
  return TRUE;
}

extern "C" DWORD WINAPI WaitForSingleObject(HANDLE object, DWORD milliseconds) {
  auto found = objectOf(object);
  if (!found || !found->waitable()) {
    return fail(ERROR_INVALID_HANDLE, WAIT_FAILED);
  }
  return waitFor({found}, false, milliseconds);
}

extern "C" DWORD WINAPI WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll,
                                               DWORD milliseconds) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles) {
    return fail(ERROR_INVALID_PARAMETER, WAIT_FAILED);
  }
  std::vector<std::shared_ptr<KernelObject>> objects;
  for (DWORD i = 0; i < count; ++i) {
    auto found = objectOf(handles[i]);
    if (!found || !found->waitable()) {
      return fail(ERROR_INVALID_HANDLE, WAIT_FAILED);
    }
    if (waitAll) {
      for (const auto& earlier : objects) {
        if (earlier == found) {
          return fail(ERROR_INVALID_PARAMETER, WAIT_FAILED); // a duplicate in a wait-all
        }
      }
    }
    objects.push_back(std::move(found));
  }
  return waitFor(objects, waitAll != FALSE, milliseconds);
}

extern "C" HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState,
                                      LPCSTR name) {
  return createNamed(name, ObjectKind::Event, [&] {
    return std::make_shared<EventObject>(manualReset != FALSE, initialState != FALSE);
  });
}

extern "C" HANDLE WINAPI OpenEventA(DWORD, BOOL, LPCSTR name) { return openNamed(name, ObjectKind::Event); }

namespace {
template <class F>
BOOL withEvent(HANDLE handle, F change) {
  auto event = lookupHandle<EventObject>(handle, ObjectKind::Event);
  if (!event) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  {
    std::lock_guard lock(waitMutex());
    change(*event);
  }
  notifyWaiters();
  return TRUE;
}
} // namespace

extern "C" BOOL WINAPI SetEvent(HANDLE event) {
  return withEvent(event, [](EventObject& e) { e.set = true; });
}

extern "C" BOOL WINAPI ResetEvent(HANDLE event) {
  return withEvent(event, [](EventObject& e) { e.set = false; });
}

// Releases the waiters present now (all of them for a manual-reset event, one otherwise)
// only approximately: the event is set, the waiters are woken, and it is reset after they
// had the chance to run. PulseEvent is unreliable on Windows too.
extern "C" BOOL WINAPI PulseEvent(HANDLE event) {
  if (!SetEvent(event)) {
    return FALSE;
  }
  Sleep(1);
  return ResetEvent(event);
}

extern "C" HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR name) {
  bool created = false;
  HANDLE handle = createNamed(name, ObjectKind::Mutex, [&] {
    created = true;
    return std::make_shared<MutexObject>();
  });
  if (handle && created && initialOwner) {
    const DWORD error = GetLastError();
    WaitForSingleObject(handle, 0);
    SetLastError(error);
  }
  return handle;
}

extern "C" BOOL WINAPI ReleaseMutex(HANDLE handle) {
  auto mutex = lookupHandle<MutexObject>(handle, ObjectKind::Mutex);
  if (!mutex) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  {
    std::lock_guard lock(waitMutex());
    if (mutex->owner != GetCurrentThreadId() || mutex->count == 0) {
      return fail(ERROR_NOT_OWNER, FALSE);
    }
    if (--mutex->count == 0) {
      mutex->owner = 0;
    }
  }
  notifyWaiters();
  return TRUE;
}

extern "C" HANDLE WINAPI CreateSemaphoreA(LPSECURITY_ATTRIBUTES, LONG initialCount, LONG maximumCount,
                                          LPCSTR name) {
  if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) {
    return fail(ERROR_INVALID_PARAMETER, static_cast<HANDLE>(nullptr));
  }
  return createNamed(name, ObjectKind::Semaphore,
                     [&] { return std::make_shared<SemaphoreObject>(initialCount, maximumCount); });
}

extern "C" BOOL WINAPI ReleaseSemaphore(HANDLE handle, LONG releaseCount, LPLONG previousCount) {
  auto semaphore = lookupHandle<SemaphoreObject>(handle, ObjectKind::Semaphore);
  if (!semaphore) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  if (releaseCount <= 0) {
    return fail(ERROR_INVALID_PARAMETER, FALSE);
  }
  {
    std::lock_guard lock(waitMutex());
    if (semaphore->count > semaphore->maximumCount - releaseCount) {
      return fail(ERROR_TOO_MANY_POSTS, FALSE);
    }
    if (previousCount) {
      *previousCount = semaphore->count;
    }
    semaphore->count += releaseCount;
  }
  notifyWaiters();
  return TRUE;
}
