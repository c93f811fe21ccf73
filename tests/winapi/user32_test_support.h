#pragma once

// Helpers of the window-system conformance tests: classes registered for one test, a log
// of what window procedures saw, a thread that owns a window and pumps its queue, and a
// message loop that runs until a condition holds.
#include "test_support.h"

#include <winapi/include/winapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <tests/support/message_pump.h>
#include <thread>
#include <vector>

namespace user32test {

// A window class with a name of its own, unregistered when the test ends.
class ScopedClass {
public:
  explicit ScopedClass(WNDPROC proc, int windowExtra = 0);
  ~ScopedClass();
  ScopedClass(const ScopedClass&) = delete;
  ScopedClass& operator=(const ScopedClass&) = delete;

  const char* name() const { return name_.c_str(); }
  ATOM atom() const { return atom_; }

private:
  std::string name_;
  ATOM atom_ = 0;
};

// A hidden window of the class, at (10, 20) and 300 x 200 unless the test moves it.
HWND createWindow(const ScopedClass& windowClass, DWORD style = 0, HWND parent = nullptr, LPCSTR title = "",
                  DWORD exStyle = 0);

struct Seen {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD threadId;
};

// What recordingProc saw, from every thread; it answers with the answers set here and
// otherwise leaves the message to DefWindowProcA.
class MessageLog {
public:
  void record(const Seen& seen);
  std::vector<Seen> all() const;
  // The (window, message) pairs among `messages`, in the order they were seen.
  std::vector<std::pair<HWND, UINT>> sequence(const std::vector<UINT>& messages) const;
  bool saw(HWND hwnd, UINT message) const;
  void answer(UINT message, LRESULT result);
  bool answerFor(UINT message, LRESULT& result) const;

private:
  mutable std::mutex mutex_;
  std::vector<Seen> seen_;
  std::vector<std::pair<UINT, LRESULT>> answers_;
};

MessageLog& messageLog();
LRESULT CALLBACK recordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

using kxtest::pumpUntil;
using kxtest::waitUntil;

// Names the cases of a parameterised test after their `name` field.
struct CaseName {
  template <typename Case>
  std::string operator()(const testing::TestParamInfo<Case>& info) const {
    return info.param.name;
  }
};

// A thread that creates a window of the class and runs GetMessageA until WM_QUIT.
class WindowThread {
public:
  explicit WindowThread(const ScopedClass& windowClass);
  ~WindowThread();
  WindowThread(const WindowThread&) = delete;
  WindowThread& operator=(const WindowThread&) = delete;

  HWND hwnd() const { return hwnd_; }
  DWORD threadId() const { return threadId_; }

private:
  std::thread thread_;
  std::atomic<HWND> hwnd_{nullptr};
  std::atomic<DWORD> threadId_{0};
};

} // namespace user32test
