// The emulated system's registration tool: loads a library by its emulated path and calls
// its DllRegisterServer or DllUnregisterServer, as Windows' regsvr32 does.
#include <winapi/include/emu/kxemu.h>
#include <winapi/include/winapi.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// regsvr32's exit codes.
enum ExitCode { kOk = 0, kBadArguments = 1, kLoadFailed = 3, kEntryMissing = 4, kCallFailed = 5 };

void usage(std::FILE* out) {
  std::fprintf(
      out, "Usage: regsvr32 [/s] [/u] [--root DIR] LIBRARY\n"
           "Registers (or with /u unregisters) an in-process server in the emulated Windows system.\n"
           "  LIBRARY     an emulated path (C:\\WINDOWS\\System32\\corvanta.dll, Z:\\...) or a host path\n"
           "  /s          silent: print nothing\n"
           "  /u          call DllUnregisterServer instead of DllRegisterServer\n"
           "  --root DIR  the emulated system root (else $KX_SYSTEM_ROOT, else the per-user default)\n");
}

bool isSwitch(const char* arg, char letter) {
  return (arg[0] == '/' || arg[0] == '-') && (arg[1] == letter || arg[1] == letter - 'a' + 'A') &&
         arg[2] == '\0';
}

} // namespace

int main(int argc, char** argv) {
  bool silent = false;
  bool unregister = false;
  std::string library;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "/?") == 0) {
      usage(stdout);
      return kOk;
    }
    if (isSwitch(arg, 's')) {
      silent = true;
    } else if (isSwitch(arg, 'u')) {
      unregister = true;
    } else if (std::strcmp(arg, "--root") == 0 && i + 1 < argc) {
      kxemu::setSystemRoot(argv[++i]);
    } else if (library.empty() && arg[0] != '\0') {
      library = arg;
    } else {
      usage(stderr);
      return kBadArguments;
    }
  }
  if (library.empty()) {
    usage(stderr);
    return kBadArguments;
  }
  if (library[0] == '/') {
    library = kxemu::windowsPath(library);
  }

  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  CoInitialize(nullptr);
  const HMODULE module = LoadLibraryA(library.c_str());
  if (module == nullptr) {
    if (!silent) {
      std::printf("LoadLibrary(\"%s\") failed (error %u).\n", library.c_str(),
                  static_cast<unsigned>(GetLastError()));
    }
    CoUninitialize();
    return kLoadFailed;
  }
  using EntryPoint = HRESULT(STDMETHODCALLTYPE*)();
  // Through a generic function pointer: FARPROC has no return type of its own.
  const auto call = reinterpret_cast<EntryPoint>(reinterpret_cast<void (*)()>(GetProcAddress(module, entry)));
  int code = kOk;
  if (call == nullptr) {
    if (!silent) {
      std::printf("%s was loaded, but the %s entry point was not found.\n", library.c_str(), entry);
    }
    code = kEntryMissing;
  } else if (const HRESULT result = call(); FAILED(result)) {
    if (!silent) {
      std::printf("%s in %s failed. Return code was: 0x%08x\n", entry, library.c_str(),
                  static_cast<unsigned>(result));
    }
    code = kCallFailed;
  } else if (!silent) {
    std::printf("%s in %s succeeded.\n", entry, library.c_str());
  }
  FreeLibrary(module);
  CoUninitialize();
  return code;
}
