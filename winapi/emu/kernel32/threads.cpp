// Threads: CreateThread, identity, exit codes, priorities, Sleep.
#include <winapi/emu/internal/errors.h>
#include <winapi/emu/internal/threads.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <pthread.h>
#include <sched.h>
#include <thread>

namespace kxemu {
namespace {

// Windows thread ids are small positive numbers, unique while the process runs; the
// emulation hands them out in order of creation (or of first use, for adopted threads).
std::atomic<DWORD> nextThreadId{1};

// Marks an adopted thread's object ended when the thread goes away.
struct ThreadSlot {
  std::shared_ptr<ThreadObject> object;
  ~ThreadSlot() {
    if (object) {
      {
        std::lock_guard lock(waitMutex());
        if (!object->ended) {
          object->ended = true;
          if (object->exitCode == STILL_ACTIVE) {
            object->exitCode = 0;
          }
        }
      }
      notifyWaiters();
    }
  }
};

thread_local ThreadSlot currentSlot;

// With KX_REALTIME_THREADS=1 a time-critical thread runs in the host's real-time class
// (SCHED_FIFO) where the process may use it; every other level stays in the normal class.
// Off by default: the levels are then only recorded.
bool realtimeThreadsWanted() {
  static const bool wanted = [] {
    const char* value = std::getenv("KX_REALTIME_THREADS");
    return value != nullptr && std::strcmp(value, "1") == 0;
  }();
  return wanted;
}

void applyHostPriority(pthread_t thread, int priority) {
  if (!realtimeThreadsWanted()) {
    return;
  }
  sched_param parameter{};
  int policy = SCHED_OTHER;
  if (priority == THREAD_PRIORITY_TIME_CRITICAL) {
    policy = SCHED_FIFO;
    parameter.sched_priority = 10;
  }
  // Refused without the right: the level stays recorded only.
  pthread_setschedparam(thread, policy, &parameter);
}

void* threadMain(void* context) {
  auto* holder = static_cast<std::shared_ptr<ThreadObject>*>(context);
  std::shared_ptr<ThreadObject> self = std::move(*holder);
  delete holder;
  currentSlot.object = self;
  {
    std::unique_lock lock(waitMutex());
    self->native = pthread_self();
    self->running = true;
    applyHostPriority(self->native, self->priority.load());
    waitCondition().wait(lock, [&] { return self->suspendCount == 0; });
  }
  const DWORD result = self->start(self->parameter);
  {
    std::lock_guard lock(waitMutex());
    self->exitCode = result;
    self->ended = true;
  }
  notifyWaiters();
  return nullptr;
}

bool validThreadPriority(int priority) {
  return priority == THREAD_PRIORITY_IDLE || priority == THREAD_PRIORITY_TIME_CRITICAL ||
         (priority >= THREAD_PRIORITY_LOWEST && priority <= THREAD_PRIORITY_HIGHEST);
}

} // namespace

std::shared_ptr<ThreadObject> currentThreadObject() {
  if (!currentSlot.object) {
    // No other thread can see the new object yet, so no lock: this runs from inside waits
    // too (a mutex asks for its caller's id while the wait mutex is held).
    auto object = std::make_shared<ThreadObject>(nextThreadId.fetch_add(1));
    object->native = pthread_self();
    object->running = true;
    currentSlot.object = std::move(object);
  }
  return currentSlot.object;
}

std::shared_ptr<ThreadObject> threadFromHandle(HANDLE handle) {
  if (handle == currentThreadPseudoHandle()) {
    return currentThreadObject();
  }
  return lookupHandle<ThreadObject>(handle, ObjectKind::Thread);
}

} // namespace kxemu

using namespace kxemu;

extern "C" HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                                      LPVOID parameter, DWORD flags, LPDWORD threadId) {
  if (!start) {
    return fail(ERROR_INVALID_PARAMETER, static_cast<HANDLE>(nullptr));
  }
  auto object = std::make_shared<ThreadObject>(nextThreadId.fetch_add(1));
  object->start = start;
  object->parameter = parameter;
  object->suspendCount = (flags & CREATE_SUSPENDED) ? 1 : 0;

  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  if (stackSize > 0) {
    const SIZE_T minimum = PTHREAD_STACK_MIN > 65536 ? PTHREAD_STACK_MIN : 65536;
    pthread_attr_setstacksize(&attributes, stackSize < minimum ? minimum : stackSize);
  }
  const HANDLE handle = insertHandle(object);
  auto* context = new std::shared_ptr<ThreadObject>(object);
  pthread_t native;
  const int rc = pthread_create(&native, &attributes, threadMain, context);
  pthread_attr_destroy(&attributes);
  if (rc != 0) {
    delete context;
    removeHandle(handle);
    return fail(ERROR_NOT_ENOUGH_MEMORY, static_cast<HANDLE>(nullptr));
  }
  if (threadId) {
    *threadId = object->id();
  }
  return handle;
}

extern "C" HANDLE WINAPI GetCurrentThread() { return currentThreadPseudoHandle(); }

extern "C" DWORD WINAPI GetCurrentThreadId() {
  thread_local DWORD cached = 0;
  if (cached == 0) {
    cached = currentThreadObject()->id();
  }
  return cached;
}

extern "C" DWORD WINAPI GetThreadId(HANDLE thread) {
  auto object = threadFromHandle(thread);
  if (!object) {
    return fail(ERROR_INVALID_HANDLE, DWORD{0});
  }
  return object->id();
}

extern "C" BOOL WINAPI GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
  auto object = threadFromHandle(thread);
  if (!object) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  if (!exitCode) {
    return fail(ERROR_NOACCESS, FALSE);
  }
  std::lock_guard lock(waitMutex());
  *exitCode = object->exitCode;
  return TRUE;
}

extern "C" DWORD WINAPI ResumeThread(HANDLE thread) {
  auto object = threadFromHandle(thread);
  if (!object) {
    return fail(ERROR_INVALID_HANDLE, static_cast<DWORD>(-1));
  }
  DWORD previous;
  {
    std::lock_guard lock(waitMutex());
    previous = object->suspendCount;
    if (previous > 0) {
      --object->suspendCount;
    }
  }
  notifyWaiters();
  return previous;
}

// The level is kept per thread and reported back; the host's scheduling is left alone, so
// no test or tool needs a real-time class or elevated rights.
extern "C" BOOL WINAPI SetThreadPriority(HANDLE thread, int priority) {
  auto object = threadFromHandle(thread);
  if (!object) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  if (!validThreadPriority(priority)) {
    return fail(ERROR_INVALID_PARAMETER, FALSE);
  }
  object->priority.store(priority);
  // A thread that has not ended cannot end while the wait mutex is held.
  std::lock_guard lock(waitMutex());
  if (object->running && !object->ended) {
    applyHostPriority(object->native, priority);
  }
  return TRUE;
}

extern "C" int WINAPI GetThreadPriority(HANDLE thread) {
  auto object = threadFromHandle(thread);
  if (!object) {
    return fail(ERROR_INVALID_HANDLE, THREAD_PRIORITY_ERROR_RETURN);
  }
  return object->priority.load();
}

extern "C" void WINAPI Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  if (milliseconds == INFINITE) {
    for (;;) {
      std::this_thread::sleep_for(std::chrono::hours(24));
    }
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

extern "C" BOOL WINAPI SwitchToThread() {
  sched_yield();
  return TRUE;
}
