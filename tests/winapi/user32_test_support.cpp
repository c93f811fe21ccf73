#include "user32_test_support.h"

#include <algorithm>

namespace user32test {

namespace {
std::atomic<int> classCounter{0};
} // namespace

// FindWindowA searches every process's windows, so names carry the process id.
ScopedClass::ScopedClass(WNDPROC proc, int windowExtra)
    : name_("KxTestClass" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(classCounter.fetch_add(1))) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = windowExtra;
  wc.lpszClassName = name_.c_str();
  atom_ = RegisterClassA(&wc);
}

ScopedClass::~ScopedClass() { UnregisterClassA(name_.c_str(), nullptr); }

HWND createWindow(const ScopedClass& windowClass, DWORD style, HWND parent, LPCSTR title, DWORD exStyle) {
  return CreateWindowExA(exStyle, windowClass.name(), title, style, 10, 20, 300, 200, parent, nullptr,
                         nullptr, nullptr);
}

void MessageLog::record(const Seen& seen) {
  std::lock_guard<std::mutex> guard(mutex_);
  seen_.push_back(seen);
}

std::vector<Seen> MessageLog::all() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return seen_;
}

std::vector<std::pair<HWND, UINT>> MessageLog::sequence(const std::vector<UINT>& messages) const {
  std::vector<std::pair<HWND, UINT>> pairs;
  for (const Seen& seen : all()) {
    if (std::find(messages.begin(), messages.end(), seen.message) != messages.end()) {
      pairs.emplace_back(seen.hwnd, seen.message);
    }
  }
  return pairs;
}

bool MessageLog::saw(HWND hwnd, UINT message) const {
  const auto seen = all();
  return std::any_of(seen.begin(), seen.end(),
                     [&](const Seen& s) { return s.hwnd == hwnd && s.message == message; });
}

void MessageLog::answer(UINT message, LRESULT result) {
  std::lock_guard<std::mutex> guard(mutex_);
  answers_.emplace_back(message, result);
}

bool MessageLog::answerFor(UINT message, LRESULT& result) const {
  std::lock_guard<std::mutex> guard(mutex_);
  for (const auto& [answered, value] : answers_) {
    if (answered == message) {
      result = value;
      return true;
    }
  }
  return false;
}

MessageLog& messageLog() {
  static MessageLog log;
  return log;
}

LRESULT CALLBACK recordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  messageLog().record(Seen{hwnd, message, wParam, lParam, GetCurrentThreadId()});
  LRESULT result = 0;
  if (messageLog().answerFor(message, result)) {
    return result;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

WindowThread::WindowThread(const ScopedClass& windowClass) {
  std::atomic<bool> ready{false};
  thread_ = std::thread([&] {
    threadId_ = GetCurrentThreadId();
    hwnd_ = createWindow(windowClass);
    ready = true;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  });
  while (!ready) {
    std::this_thread::yield();
  }
}

WindowThread::~WindowThread() {
  PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
  thread_.join();
}

} // namespace user32test
