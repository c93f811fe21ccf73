// The process: pseudo handle, id, priority class, command line, version, WinExec.
#include <winapi/emu/internal/errors.h>
#include <winapi/emu/internal/handles.h>
#include <winapi/emu/internal/modules.h>
#include <winapi/emu/internal/paths.h>
#include <winapi/emu/internal/root.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// Per-process state with the Windows values; the host's scheduling is not changed.
std::atomic<DWORD> priorityClass{NORMAL_PRIORITY_CLASS};

bool validPriorityClass(DWORD value) {
  switch (value) {
  case NORMAL_PRIORITY_CLASS:
  case IDLE_PRIORITY_CLASS:
  case HIGH_PRIORITY_CLASS:
  case REALTIME_PRIORITY_CLASS:
  case BELOW_NORMAL_PRIORITY_CLASS:
  case ABOVE_NORMAL_PRIORITY_CLASS:
    return true;
  default:
    return false;
  }
}

bool isCurrentProcess(HANDLE process) {
  if (process == kxemu::currentProcessPseudoHandle()) {
    return true;
  }
  auto object = kxemu::lookupHandle(process);
  return object && object->kind() == kxemu::ObjectKind::Process;
}

std::string quoteArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
    return argument;
  }
  std::string out = "\"";
  for (char c : argument) {
    if (c == '"') {
      out += '\\';
    }
    out += c;
  }
  return out + "\"";
}

// Splits a command line the way the C runtime's argv parser does (quotes, backslash-quote).
std::vector<std::string> splitCommandLine(const std::string& line) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
      ++i;
    }
    if (i >= line.size()) {
      break;
    }
    std::string argument;
    bool quoted = false;
    while (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
      if (line[i] == '\\') {
        size_t slashes = 0;
        while (i < line.size() && line[i] == '\\') {
          ++slashes;
          ++i;
        }
        if (i < line.size() && line[i] == '"') {
          argument.append(slashes / 2, '\\');
          if (slashes % 2) {
            argument += '"';
            ++i;
          }
        } else {
          argument.append(slashes, '\\');
        }
      } else if (line[i] == '"') {
        quoted = !quoted;
        ++i;
      } else {
        argument += line[i++];
      }
    }
    out.push_back(argument);
  }
  return out;
}

bool hasExtension(const std::string& name) {
  const auto slash = name.find_last_of("\\/");
  const auto dot = name.find_last_of('.');
  return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

} // namespace

extern "C" HANDLE WINAPI GetCurrentProcess() { return kxemu::currentProcessPseudoHandle(); }

extern "C" DWORD WINAPI GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

extern "C" DWORD WINAPI GetPriorityClass(HANDLE process) {
  if (!isCurrentProcess(process)) {
    return kxemu::fail(ERROR_INVALID_HANDLE, DWORD{0});
  }
  return priorityClass.load();
}

extern "C" BOOL WINAPI SetPriorityClass(HANDLE process, DWORD value) {
  if (!isCurrentProcess(process)) {
    return kxemu::fail(ERROR_INVALID_HANDLE, FALSE);
  }
  if (!validPriorityClass(value)) {
    return kxemu::fail(ERROR_INVALID_PARAMETER, FALSE);
  }
  priorityClass.store(value);
  return TRUE;
}

extern "C" LPSTR WINAPI GetCommandLineA() {
  static std::string* line = [] {
    auto* text = new std::string(quoteArgument(kxemu::mainProgramWindowsPath()));
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string argument;
    bool first = true;
    while (std::getline(in, argument, '\0')) {
      if (!first) {
        *text += " " + quoteArgument(argument);
      }
      first = false;
    }
    return text;
  }();
  return line->data();
}

extern "C" void WINAPI ExitProcess(UINT exitCode) { std::exit(static_cast<int>(exitCode)); }

// The emulated system reports itself as Windows XP (NT 5.1), the platform the driver ships for.
extern "C" BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info) {
  if (!info) {
    return kxemu::fail(ERROR_INVALID_PARAMETER, FALSE);
  }
  // OSVERSIONINFOEXA (156 bytes) is accepted too; its extra fields are zeroed.
  if (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) && info->dwOSVersionInfoSize != 156) {
    return kxemu::fail(ERROR_INSUFFICIENT_BUFFER, FALSE);
  }
  const DWORD size = info->dwOSVersionInfoSize;
  std::memset(reinterpret_cast<char*>(info) + sizeof(DWORD), 0, size - sizeof(DWORD));
  info->dwMajorVersion = 5;
  info->dwMinorVersion = 1;
  info->dwBuildNumber = 2600;
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  std::strcpy(info->szCSDVersion, "Service Pack 3");
  return TRUE;
}

extern "C" DWORD WINAPI GetVersion() { return (2600u << 16) | (1u << 8) | 5u; }

// Starts an emulated program: the first word names it (".exe" is added when it has no
// extension; without a folder it is looked for in the program's folder, the current
// directory, System32 and the Windows folder). The program runs as a host process with
// the rest of the line as its arguments and the same system root; it is not waited for.
extern "C" UINT WINAPI WinExec(LPCSTR commandLine, UINT) {
  if (!commandLine) {
    return 0;
  }
  std::vector<std::string> words = splitCommandLine(commandLine);
  if (words.empty()) {
    return ERROR_FILE_NOT_FOUND;
  }
  std::string program = words[0];
  if (!hasExtension(program)) {
    program += ".exe";
  }
  std::vector<std::string> candidates;
  if (program.find_first_of("\\/:") != std::string::npos) {
    candidates.push_back(program);
  } else {
    for (const std::string& folder :
         {kxemu::mainProgramWindowsDirectory(), kxemu::currentDirectory(),
          std::string(kxemu::kSystemDirectory), std::string(kxemu::kWindowsDirectory)}) {
      candidates.push_back(folder + "\\" + program);
    }
  }
  std::string host;
  UINT missing = ERROR_FILE_NOT_FOUND;
  for (const auto& candidate : candidates) {
    kxemu::HostPath path;
    DWORD error;
    if (kxemu::mapPath(candidate.c_str(), path, error) && path.exists && !path.isDirectory) {
      host = path.host;
      break;
    }
    if (candidates.size() == 1 && !path.parentExists) {
      missing = ERROR_PATH_NOT_FOUND;
    }
  }
  if (host.empty()) {
    return missing;
  }

  std::vector<std::string> arguments;
  arguments.push_back(host);
  arguments.insert(arguments.end(), words.begin() + 1, words.end());
  std::vector<char*> argv;
  for (auto& argument : arguments) {
    argv.push_back(argument.data());
  }
  argv.push_back(nullptr);

  std::vector<std::string> environment;
  for (char** e = environ; e && *e; ++e) {
    if (std::strncmp(*e, "KX_SYSTEM_ROOT=", 15) != 0) {
      environment.emplace_back(*e);
    }
  }
  environment.push_back("KX_SYSTEM_ROOT=" + kxemu::rootDirectory());
  std::vector<char*> envp;
  for (auto& entry : environment) {
    envp.push_back(entry.data());
  }
  envp.push_back(nullptr);

  pid_t pid;
  const int rc = posix_spawn(&pid, host.c_str(), nullptr, nullptr, argv.data(), envp.data());
  if (rc != 0) {
    return rc == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_BAD_FORMAT;
  }
  std::thread([pid] {
    int status;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return 33;
}
