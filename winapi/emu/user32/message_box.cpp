#include <winapi/emu/user32/message_box_policy.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <unistd.h>

using namespace kxemu::user32;

namespace {

struct MessageBoxState {
  std::mutex mutex;
  bool scriptLoaded = false;
  std::deque<int> script;
  std::vector<kxemu::MessageBoxRecord> records;
};

MessageBoxState& state() {
  static MessageBoxState boxes;
  return boxes;
}

void loadScriptFromEnvironment(MessageBoxState& boxes) {
  const char* list = std::getenv("KX_MESSAGEBOX_ANSWERS");
  const auto answers = parseAnswers(list != nullptr ? list : "");
  boxes.script.assign(answers.begin(), answers.end());
  boxes.scriptLoaded = true;
}

// One write of the whole line in append mode, so lines of several processes do not mix.
void appendToLog(const kxemu::MessageBoxRecord& record) {
  const char* path = std::getenv("KX_MESSAGEBOX_LOG");
  if (path == nullptr || *path == '\0') {
    return;
  }
  const int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    return;
  }
  const std::string line = formatLogLine(record);
  const ssize_t written = ::write(fd, line.data(), line.size());
  (void)written; // a log that cannot be written does not change the answer
  ::close(fd);
}

} // namespace

extern "C" int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  if (hWnd != nullptr && !IsWindow(hWnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  const auto buttons = buttonAnswers(uType);
  if (buttons.empty()) {
    SetLastError(ERROR_INVALID_MSGBOX_STYLE);
    return 0;
  }
  kxemu::MessageBoxRecord record;
  record.owner = hWnd;
  record.text = lpText != nullptr ? lpText : "";
  // Windows titles a box without caption "Error".
  record.caption = lpCaption != nullptr ? lpCaption : "Error";
  record.type = uType;
  {
    auto& boxes = state();
    std::lock_guard<std::mutex> guard(boxes.mutex);
    if (!boxes.scriptLoaded) {
      loadScriptFromEnvironment(boxes);
    }
    int scripted = 0;
    if (!boxes.script.empty()) {
      scripted = boxes.script.front();
      boxes.script.pop_front();
    }
    const bool offered = std::find(buttons.begin(), buttons.end(), scripted) != buttons.end();
    record.answer = offered ? scripted : defaultAnswer(uType);
    boxes.records.push_back(record);
  }
  appendToLog(record);
  return record.answer;
}

// There is no sound in the emulated system; the beep always succeeds.
extern "C" BOOL WINAPI MessageBeep(UINT) { return TRUE; }

void kxemu::setMessageBoxAnswers(const std::vector<int>& answers) {
  auto& boxes = state();
  std::lock_guard<std::mutex> guard(boxes.mutex);
  boxes.script.assign(answers.begin(), answers.end());
  boxes.scriptLoaded = true;
}

void kxemu::resetMessageBoxes() {
  auto& boxes = state();
  std::lock_guard<std::mutex> guard(boxes.mutex);
  boxes.records.clear();
  loadScriptFromEnvironment(boxes);
}

std::vector<kxemu::MessageBoxRecord> kxemu::messageBoxRecords() {
  auto& boxes = state();
  std::lock_guard<std::mutex> guard(boxes.mutex);
  return boxes.records;
}

std::vector<kxemu::MessageBoxRecord> kxemu::readMessageBoxLog(const std::string& path) {
  std::vector<MessageBoxRecord> records;
  std::ifstream file(path);
  std::string line;
  MessageBoxRecord record;
  while (std::getline(file, line)) {
    if (parseLogLine(line, record)) {
      records.push_back(record);
    }
  }
  return records;
}
