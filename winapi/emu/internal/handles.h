#pragma once

// The emulated kernel's objects and the process's handle table (internal to winapi/emu).
//
// Every HANDLE the emulation gives out (events, threads, files, devices, find handles,
// tokens, registry keys, device information sets) names a KernelObject in one table:
// values are multiples of 4 from 4 up, as on Windows, reused after CloseHandle. The table
// holds one reference per handle; a call that uses an object holds its own, so an object
// outlives a CloseHandle that races with a call on it.
//
// Waits: every waitable object's state is guarded by one process-wide wait mutex; a state
// change notifies all waiters, who recheck their objects. Simple, fair enough for the handful
// of threads the system runs, and it makes WaitForMultipleObjects(waitAll) atomic.
#include <winapi/include/winapi.h>

#include <condition_variable>
#include <memory>
#include <mutex>

namespace kxemu {

enum class ObjectKind {
  Event,
  Mutex,
  Semaphore,
  Thread,
  Process,
  File,
  Device,
  Find,
  Token,
  Key,
  DevInfoSet
};

class KernelObject {
public:
  explicit KernelObject(ObjectKind kind) : kind_(kind) {}
  KernelObject(const KernelObject&) = delete;
  KernelObject& operator=(const KernelObject&) = delete;
  virtual ~KernelObject() = default;

  ObjectKind kind() const { return kind_; }

  // Waiting, called with the wait mutex held. Objects that cannot be waited on return false
  // from waitable(). signalled() tells whether a wait would be satisfied now; acquire() is
  // called once for the object that satisfied a wait (auto-reset events reset, mutexes are
  // taken, semaphores counted down). abandoned() reports a mutex whose owner ended.
  virtual bool waitable() const { return false; }
  virtual bool signalled() const { return true; }
  virtual void acquire() {}
  virtual bool abandoned() const { return false; }

private:
  ObjectKind kind_;
};

HANDLE insertHandle(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> lookupHandle(HANDLE handle);
// Removes the handle; false (and no change) for a handle that is not in the table.
bool removeHandle(HANDLE handle);

template <class T>
std::shared_ptr<T> lookupHandle(HANDLE handle, ObjectKind kind) {
  auto object = lookupHandle(handle);
  if (!object || object->kind() != kind) {
    return nullptr;
  }
  return std::static_pointer_cast<T>(object);
}

// The pseudo handles.
inline HANDLE currentProcessPseudoHandle() { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)); }
inline HANDLE currentThreadPseudoHandle() { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2)); }

std::mutex& waitMutex();
// Call after changing a waitable object's state (with or without the wait mutex held).
void notifyWaiters();
std::condition_variable& waitCondition();

} // namespace kxemu
