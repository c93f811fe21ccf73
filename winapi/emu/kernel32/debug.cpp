// OutputDebugStringA: to the process's handler (kxemu::setDebugOutputHandler), and with
// KX_DEBUG_OUTPUT=stderr (or 1) to stderr, with KX_DEBUG_OUTPUT=file to debug.log in the root.
#include <winapi/emu/internal/root.h>
#include <winapi/include/emu/kxemu.h>
#include <winapi/include/winapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace {
std::mutex& handlerMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}
kxemu::DebugOutputHandler& handler() {
  static auto* h = new kxemu::DebugOutputHandler;
  return *h;
}
} // namespace

void kxemu::setDebugOutputHandler(DebugOutputHandler newHandler) {
  std::lock_guard lock(handlerMutex());
  handler() = std::move(newHandler);
}

extern "C" void WINAPI OutputDebugStringA(LPCSTR text) {
  if (!text) {
    return;
  }
  const DWORD savedError = GetLastError();
  kxemu::DebugOutputHandler copy;
  {
    std::lock_guard lock(handlerMutex());
    copy = handler();
  }
  if (copy) {
    copy(text);
  }
  if (const char* mode = std::getenv("KX_DEBUG_OUTPUT"); mode && *mode) {
    if (std::strcmp(mode, "file") == 0) {
      const std::string path = kxemu::rootDirectory() + "/debug.log";
      const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
      if (fd >= 0) {
        const ssize_t written = ::write(fd, text, std::strlen(text));
        (void)written;
        ::close(fd);
      }
    } else if (std::strcmp(mode, "0") != 0) {
      std::fputs(text, stderr);
      std::fflush(stderr);
    }
  }
  SetLastError(savedError);
}
