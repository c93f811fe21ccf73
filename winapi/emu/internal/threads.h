#pragma once

#include <pthread.h>

// Thread objects of the emulated kernel (internal). Every thread that calls into the
// emulation has one: threads made by CreateThread from the start, others (the main thread,
// std::thread) from their first call; the object is signalled when the thread ends.
#include <winapi/emu/internal/handles.h>

#include <atomic>

namespace kxemu {

class ThreadObject : public KernelObject {
public:
  explicit ThreadObject(DWORD id) : KernelObject(ObjectKind::Thread), id_(id) {}

  bool waitable() const override { return true; }
  bool signalled() const override { return ended; }

  DWORD id() const { return id_; }

  std::atomic<int> priority{THREAD_PRIORITY_NORMAL}; // the Windows level, as set
  // Guarded by the wait mutex:
  bool ended = false;
  bool running = false; // native names the host thread
  pthread_t native{};
  DWORD exitCode = STILL_ACTIVE;
  DWORD suspendCount = 0;

  LPTHREAD_START_ROUTINE start = nullptr;
  LPVOID parameter = nullptr;

private:
  DWORD id_;
};

std::shared_ptr<ThreadObject> currentThreadObject();
// The thread a handle names; GetCurrentThread's pseudo handle included. Null when it names none.
std::shared_ptr<ThreadObject> threadFromHandle(HANDLE handle);

} // namespace kxemu
