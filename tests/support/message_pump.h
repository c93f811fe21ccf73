#pragma once

// Condition waits for tests of code driven by the message loop: no timed assertions, only
// a generous deadline after which the condition counts as never met.
#include <winapi/include/winapi.h>

#include <chrono>
#include <functional>
#include <thread>

namespace kxtest {

// Polls `done` until it holds or the deadline passes; the result is its last answer.
inline bool waitUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// The same while dispatching the calling thread's messages.
inline bool pumpUntil(const std::function<bool()>& done) {
  return waitUntil([&] {
    MSG msg;
    while (!done() && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    return done();
  });
}

} // namespace kxtest
