#include <winapi/emu/user32/window_system.h>
#include <winapi/include/emu/user32_control.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace kxemu::user32 {

namespace {

struct Registration {
  HDEVNOTIFY handle = nullptr;
  HWND hwnd = nullptr;
  GUID interfaceClass{};
  bool allClasses = false;
};

// Guarded by the window system's mutex; never destroyed, like the window system, so
// threads that end while the process exits can still drop their windows' entries.
std::vector<Registration>& registrations() {
  static auto* all = new std::vector<Registration>;
  return *all;
}
std::uintptr_t nextRegistration = 0x2000;

// An interface record holds at least everything up to its name.
constexpr std::size_t kInterfaceRecordMinimum = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);

bool wants(const Registration& registration, const std::vector<BYTE>& record) {
  if (record.size() < kInterfaceRecordMinimum) {
    return false;
  }
  DEV_BROADCAST_DEVICEINTERFACE_A header{};
  std::memcpy(&header, record.data(), kInterfaceRecordMinimum);
  return header.dbcc_devicetype == DBT_DEVTYP_DEVICEINTERFACE &&
         (registration.allClasses || header.dbcc_classguid == registration.interfaceClass);
}

// Top-level windows in creation order, then the other windows registered for the record.
std::vector<HWND> recipients(WindowSystem& system, const Lock& held, const std::vector<BYTE>& record) {
  std::vector<HWND> handles;
  for (HWND hwnd : system.all(held)) {
    const Window* window = system.find(held, hwnd);
    if (window->parent == nullptr && !window->messageOnly) {
      handles.push_back(hwnd);
    }
  }
  for (const Registration& registration : registrations()) {
    if (wants(registration, record) &&
        std::find(handles.begin(), handles.end(), registration.hwnd) == handles.end()) {
      handles.push_back(registration.hwnd);
    }
  }
  return handles;
}

LRESULT deliver(Lock& lock, WindowSystem& system, HWND hwnd, WPARAM event, const std::vector<BYTE>& record) {
  const Window* window = system.find(lock, hwnd);
  if (window == nullptr || window->destroying) {
    return 0;
  }
  auto sent = std::make_shared<SentMessage>(hwnd, WM_DEVICECHANGE, event, 0);
  sent->record = record;
  sent->lParam = record.empty() ? 0 : reinterpret_cast<LPARAM>(sent->record.data());
  const auto target = system.queueOf(lock, window->threadId);
  if (window->threadId == GetCurrentThreadId() || (target && target->waiting)) {
    return sendMessage(lock, hwnd, WM_DEVICECHANGE, event, sent->lParam);
  }
  if (target) {
    sendWithoutWaiting(*target, sent);
  }
  return 0;
}

} // namespace

void forgetDeviceNotifications(const Lock&, HWND hwnd) {
  std::erase_if(registrations(),
                [hwnd](const Registration& registration) { return registration.hwnd == hwnd; });
}

} // namespace kxemu::user32

using namespace kxemu::user32;

bool kxemu::broadcastDeviceChange(WPARAM event, const void* record, std::size_t size) {
  const auto* bytes = static_cast<const BYTE*>(record);
  const std::vector<BYTE> copy(bytes, bytes != nullptr ? bytes + size : bytes);
  const bool query = event == DBT_DEVICEQUERYREMOVE || event == DBT_QUERYCHANGECONFIG;
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  for (HWND hwnd : recipients(system, lock, copy)) {
    if (deliver(lock, system, hwnd, event, copy) == BROADCAST_QUERY_DENY && query) {
      return false;
    }
  }
  return true;
}

extern "C" HDEVNOTIFY WINAPI RegisterDeviceNotificationA(HANDLE hRecipient, LPVOID NotificationFilter,
                                                         DWORD Flags) {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  // There are no services in the emulated system, so only windows can be told.
  if ((Flags & DEVICE_NOTIFY_SERVICE_HANDLE) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const Window* window = system.find(lock, static_cast<HWND>(hRecipient));
  if (window == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  const auto* filter = static_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(NotificationFilter);
  if (filter == nullptr || filter->dbcc_size < kInterfaceRecordMinimum ||
      filter->dbcc_devicetype != DBT_DEVTYP_DEVICEINTERFACE) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  Registration registration;
  registration.handle = reinterpret_cast<HDEVNOTIFY>(nextRegistration++);
  registration.hwnd = window->handle;
  registration.interfaceClass = filter->dbcc_classguid;
  registration.allClasses = (Flags & DEVICE_NOTIFY_ALL_INTERFACE_CLASSES) != 0;
  registrations().push_back(registration);
  return registration.handle;
}

extern "C" BOOL WINAPI UnregisterDeviceNotification(HDEVNOTIFY Handle) {
  auto lock = WindowSystem::get().lock();
  const auto removed = std::erase_if(
      registrations(), [Handle](const Registration& registration) { return registration.handle == Handle; });
  if (removed == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}
