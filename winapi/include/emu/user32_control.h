#pragma once

// Control of the emulated window system for the device simulator, tools and tests. Not
// part of the Windows API, and not available on Windows.
#include <winapi/include/emu/user32.h>

#include <cstddef>
#include <string>
#include <vector>

namespace kxemu {

// Delivers WM_DEVICECHANGE (wParam = event, lParam = a private copy of the record, or 0
// without one) to every top-level window, hidden ones included and message-only ones
// excluded, and to every window that registered for the record's device-interface class.
// Windows of the calling thread are called directly. A window of another thread is sent
// the message and answered synchronously when that thread is waiting for messages
// (GetMessageA, WaitMessage, or a SendMessageA of its own); otherwise the message stays in
// its queue as a sent message with its own copy of the record and runs the next time that
// thread looks at its queue, and its answer is not awaited. A query event
// (DBT_DEVICEQUERYREMOVE, DBT_QUERYCHANGECONFIG) stops at the first window that answers
// BROADCAST_QUERY_DENY; the result is then false, and true otherwise.
bool broadcastDeviceChange(WPARAM event, const void* record, std::size_t size);

// What one MessageBoxA call showed and answered.
struct MessageBoxRecord {
  HWND owner = nullptr;
  std::string text;
  std::string caption;
  UINT type = 0;
  int answer = 0;
};

// Message boxes are answered without a user. Each call takes the next scripted answer; an
// answer the box's buttons cannot give, or an exhausted script, gives the box's default
// button (MB_DEFBUTTONn, or the first button when the box has fewer). The script starts
// from the environment variable KX_MESSAGEBOX_ANSWERS: comma-separated answers, each a
// number or one of OK, CANCEL, ABORT, RETRY, IGNORE, YES, NO, TRYAGAIN, CONTINUE.
// Every call is recorded in the process and, when the environment variable
// KX_MESSAGEBOX_LOG names a file, appended to that file as one line.
void setMessageBoxAnswers(const std::vector<int>& answers);
// Clears the records and takes the script from the environment again.
void resetMessageBoxes();
std::vector<MessageBoxRecord> messageBoxRecords();
// The records a KX_MESSAGEBOX_LOG file holds, in the order they were written; empty when
// the file cannot be read.
std::vector<MessageBoxRecord> readMessageBoxLog(const std::string& path);

} // namespace kxemu
