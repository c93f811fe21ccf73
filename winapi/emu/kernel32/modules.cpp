// Modules: the loaded ELF objects of the process as Windows modules.
//
// An HMODULE is the object's load address, as on Windows. Each object has a Windows file name
// derived from its host file name (kxemu.h: "libcorvanta.so" is "corvanta.dll") and an
// emulated path (inside the root "C:\...", elsewhere "Z:\..."). LoadLibraryA takes emulated
// paths, so a library copied into the root (C:\WINDOWS\ferrowave\corvanta.dll is then an ELF
// file with a Windows name) and one in the build tree (Z:\...\libcorvanta.so) load alike.
// A library that LoadLibraryA actually loads gets DllMain(DLL_PROCESS_ATTACH) when it
// exports one, and DLL_PROCESS_DETACH before FreeLibrary unloads it.
#include <winapi/emu/internal/codepage.h>
#include <winapi/emu/internal/errors.h>
#include <winapi/emu/internal/modules.h>
#include <winapi/emu/internal/paths.h>
#include <winapi/emu/internal/root.h>
#include <winapi/include/emu/kxemu.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <map>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace kxemu {
namespace {

struct LoadedObject {
  std::string host; // canonical host path
  UINT_PTR base = 0;
  bool main = false;
};

// What LoadLibraryA added: its dlopen references and whether DllMain was told.
struct LibraryRecord {
  std::vector<void*> references;
  bool attached = false;
};

std::recursive_mutex& modulesMutex() {
  static auto* m = new std::recursive_mutex;
  return *m;
}
std::map<UINT_PTR, LibraryRecord>& libraries() {
  static auto* table = new std::map<UINT_PTR, LibraryRecord>;
  return *table;
}
std::map<std::string, std::string>& aliases() { // upper-case Windows name -> host base name
  static auto* table = new std::map<std::string, std::string>;
  return *table;
}

std::string canonical(const std::string& path) {
  char real[PATH_MAX];
  return ::realpath(path.c_str(), real) ? std::string(real) : path;
}

std::string mainHostPath() {
  static const std::string* path = [] {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return new std::string(n > 0 ? std::string(buffer, static_cast<size_t>(n))
                                 : std::string("/proc/self/exe"));
  }();
  return *path;
}

UINT_PTR baseOf(const dl_phdr_info* info) {
  UINT_PTR lowest = UINTPTR_MAX;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    if (info->dlpi_phdr[i].p_type == PT_LOAD && info->dlpi_phdr[i].p_vaddr < lowest) {
      lowest = info->dlpi_phdr[i].p_vaddr;
    }
  }
  if (lowest == UINTPTR_MAX) {
    lowest = 0;
  }
  const auto page = static_cast<UINT_PTR>(::sysconf(_SC_PAGESIZE));
  return (info->dlpi_addr + lowest) & ~(page - 1);
}

std::vector<LoadedObject> loadedObjects() {
  std::vector<LoadedObject> out;
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        auto& list = *static_cast<std::vector<LoadedObject>*>(data);
        LoadedObject object;
        object.base = baseOf(info);
        if (list.empty() && (!info->dlpi_name || !*info->dlpi_name)) {
          object.host = mainHostPath();
          object.main = true;
        } else if (info->dlpi_name && info->dlpi_name[0] == '/') {
          object.host = canonical(info->dlpi_name);
        } else {
          return 0; // the vDSO and other objects without a file
        }
        list.push_back(std::move(object));
        return 0;
      },
      &out);
  return out;
}

std::string baseName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool hasDot(const std::string& name) { return name.find('.') != std::string::npos; }

// "corvanta.dll" -> itself; "libcorvanta.so", "libcorvanta.so.1", "corvanta.so" ->
// "corvanta.dll"; a program without extension gets ".exe".
std::string windowsNameOf(const LoadedObject& object) {
  std::string name = utf8ToAnsi(baseName(object.host));
  if (object.main) {
    return hasDot(name) ? name : name + ".exe";
  }
  const auto so = name.find(".so");
  if (so != std::string::npos && (so + 3 == name.size() || name[so + 3] == '.')) {
    std::string stem = name.substr(0, so);
    if (stem.rfind("lib", 0) == 0 && stem.size() > 3) {
      stem = stem.substr(3);
    }
    return stem + ".dll";
  }
  return name;
}

std::string windowsPathOf(const LoadedObject& object) {
  std::string path = windowsPathOfHost(object.host);
  if (object.main && !hasDot(baseName(object.host))) {
    path += ".exe";
  }
  return path;
}

// The host base name of the emulation library itself, which also answers to the names of
// the system DLLs it stands in for.
std::string emulationBaseName() {
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&GetModuleHandleA), &info) && info.dli_fname) {
    return baseName(canonical(info.dli_fname));
  }
  return "libkxwinemu.so";
}

bool isSystemDllName(const std::string& upper) {
  static const char* names[] = {"KERNEL32.DLL", "KERNELBASE.DLL", "NTDLL.DLL",   "USER32.DLL",
                                "GDI32.DLL",    "ADVAPI32.DLL",   "OLE32.DLL",   "OLEAUT32.DLL",
                                "SETUPAPI.DLL", "WINMM.DLL",      "SHELL32.DLL", "COMCTL32.DLL"};
  for (const char* n : names) {
    if (upper == n) {
      return true;
    }
  }
  return false;
}

// "name" -> "name.dll"; "name." -> "name" (a trailing dot means: no extension).
std::string withDefaultExtension(const std::string& name) {
  const auto slash = name.find_last_of("\\/");
  const std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
  if (!last.empty() && last.back() == '.') {
    return name.substr(0, name.size() - 1);
  }
  if (!hasDot(last)) {
    return name + ".dll";
  }
  return name;
}

bool hasFolder(const std::string& name) { return name.find_first_of("\\/:") != std::string::npos; }

const LoadedObject* findByName(const std::vector<LoadedObject>& objects, const std::string& name) {
  const std::string wanted = withDefaultExtension(name);
  if (hasFolder(wanted)) {
    ParsedPath parsed;
    DWORD error;
    if (!parsePath(wanted.c_str(), parsed, error)) {
      return nullptr;
    }
    HostPath mapped;
    const bool mappedOk = mapParsedPath(parsed, mapped, error) && mapped.exists;
    const std::string host = mappedOk ? canonical(mapped.host) : std::string();
    for (const auto& object : objects) {
      if ((!host.empty() && object.host == host) ||
          equalsIgnoreCase(windowsPathOf(object), formatPath(parsed))) {
        return &object;
      }
    }
    return nullptr;
  }
  const std::string upper = upperCase(wanted);
  std::string aliasTarget;
  {
    std::lock_guard lock(modulesMutex());
    if (auto it = aliases().find(upper); it != aliases().end()) {
      aliasTarget = it->second;
    }
  }
  if (aliasTarget.empty() && isSystemDllName(upper)) {
    aliasTarget = emulationBaseName();
  }
  for (const auto& object : objects) {
    if (equalsIgnoreCase(windowsNameOf(object), wanted) ||
        (!aliasTarget.empty() && baseName(object.host) == aliasTarget)) {
      return &object;
    }
  }
  return nullptr;
}

const LoadedObject* findByBase(const std::vector<LoadedObject>& objects, UINT_PTR base) {
  for (const auto& object : objects) {
    if (object.base == base) {
      return &object;
    }
  }
  return nullptr;
}

UINT_PTR baseOfHandle(void* handle) {
  link_map* map = nullptr;
  if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map) {
    return 0;
  }
  struct Search {
    ElfW(Addr) bias;
    UINT_PTR base;
  } search{map->l_addr, 0};
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        auto* s = static_cast<Search*>(data);
        if (info->dlpi_addr == s->bias && info->dlpi_name && info->dlpi_name[0]) {
          s->base = baseOf(info);
          return 1;
        }
        return 0;
      },
      &search);
  return search.base;
}

// The symbol, when this very object exports it (not one of its dependencies).
void* ownSymbol(void* handle, UINT_PTR base, const char* name) {
  void* symbol = dlsym(handle, name);
  if (!symbol) {
    return nullptr;
  }
  Dl_info info;
  if (!dladdr(symbol, &info) || reinterpret_cast<UINT_PTR>(info.dli_fbase) != base) {
    return nullptr;
  }
  return symbol;
}

bool isElf(const std::string& host) {
  const int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  char magic[4] = {};
  const bool elf = ::read(fd, magic, 4) == 4 && std::memcmp(magic, "\177ELF", 4) == 0;
  ::close(fd);
  return elf;
}

using DllMainFunction = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);

void debugLog(const std::string& text) {
  if (std::getenv("KX_DEBUG_OUTPUT")) {
    OutputDebugStringA(("kxemu: " + text + "\n").c_str());
  }
}

HMODULE loadHostLibrary(const std::string& host) {
  std::lock_guard lock(modulesMutex());
  void* handle = dlopen(host.c_str(), RTLD_NOW | RTLD_NOLOAD);
  const bool fresh = handle == nullptr;
  if (fresh) {
    handle = dlopen(host.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      const char* why = dlerror();
      debugLog(std::string("LoadLibraryA: ") + (why ? why : host));
      return fail(isElf(host) ? ERROR_MOD_NOT_FOUND : ERROR_BAD_EXE_FORMAT, static_cast<HMODULE>(nullptr));
    }
  }
  const UINT_PTR base = baseOfHandle(handle);
  if (base == 0) {
    dlclose(handle);
    return fail(ERROR_MOD_NOT_FOUND, static_cast<HMODULE>(nullptr));
  }
  auto& record = libraries()[base];
  record.references.push_back(handle);
  if (fresh) {
    if (auto entry = reinterpret_cast<DllMainFunction>(ownSymbol(handle, base, "DllMain"))) {
      record.attached = true;
      if (!entry(reinterpret_cast<HINSTANCE>(base), DLL_PROCESS_ATTACH, nullptr)) {
        entry(reinterpret_cast<HINSTANCE>(base), DLL_PROCESS_DETACH, nullptr);
        libraries().erase(base);
        dlclose(handle);
        return fail(static_cast<DWORD>(1114) /* ERROR_DLL_INIT_FAILED */, static_cast<HMODULE>(nullptr));
      }
    }
  }
  return reinterpret_cast<HMODULE>(base);
}

size_t copyOut(const std::string& text, LPSTR buffer, DWORD size) {
  if (size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (text.size() < size) {
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return text.size();
  }
  std::memcpy(buffer, text.data(), size - 1);
  buffer[size - 1] = '\0';
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return size;
}

} // namespace

std::string mainProgramWindowsPath() {
  LoadedObject main;
  main.host = mainHostPath();
  main.main = true;
  return windowsPathOf(main);
}

std::string mainProgramWindowsDirectory() {
  const std::string path = mainProgramWindowsPath();
  const auto slash = path.find_last_of('\\');
  return slash == std::string::npos ? path : path.substr(0, slash);
}

void addModuleAlias(const std::string& windowsName, const std::string& hostFileName) {
  std::lock_guard lock(modulesMutex());
  aliases()[upperCase(windowsName)] = hostFileName;
}

} // namespace kxemu

using namespace kxemu;

extern "C" HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
  const auto objects = loadedObjects();
  if (!moduleName) {
    return objects.empty() ? nullptr : reinterpret_cast<HMODULE>(objects.front().base);
  }
  if (const LoadedObject* found = findByName(objects, moduleName)) {
    return reinterpret_cast<HMODULE>(found->base);
  }
  return fail(ERROR_MOD_NOT_FOUND, static_cast<HMODULE>(nullptr));
}

extern "C" BOOL WINAPI GetModuleHandleExA(DWORD flags, LPCSTR moduleName, HMODULE* module) {
  if (!module) {
    return fail(ERROR_INVALID_PARAMETER, FALSE);
  }
  *module = nullptr;
  if (flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) {
    Dl_info info;
    if (!dladdr(moduleName, &info) || !info.dli_fbase) {
      return fail(ERROR_MOD_NOT_FOUND, FALSE);
    }
    *module = static_cast<HMODULE>(info.dli_fbase);
    return TRUE;
  }
  *module = GetModuleHandleA(moduleName);
  return *module ? TRUE : FALSE;
}

extern "C" DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  const auto objects = loadedObjects();
  const LoadedObject* found = module ? findByBase(objects, reinterpret_cast<UINT_PTR>(module))
                                     : (objects.empty() ? nullptr : &objects.front());
  if (!found) {
    return fail(ERROR_MOD_NOT_FOUND, DWORD{0});
  }
  if (!fileName && size) {
    return fail(ERROR_INVALID_PARAMETER, DWORD{0});
  }
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(copyOut(windowsPathOf(*found), fileName, size));
}

extern "C" HMODULE WINAPI LoadLibraryA(LPCSTR fileName) {
  if (!fileName || !*fileName) {
    return fail(ERROR_INVALID_PARAMETER, static_cast<HMODULE>(nullptr));
  }
  const std::string name = withDefaultExtension(fileName);
  std::vector<std::string> candidates;
  if (hasFolder(name)) {
    candidates.push_back(name);
  } else {
    const auto objects = loadedObjects();
    if (const LoadedObject* found = findByName(objects, name)) {
      return loadHostLibrary(found->host);
    }
    for (const std::string& folder : {mainProgramWindowsDirectory(), std::string(kSystemDirectory),
                                      std::string(kWindowsDirectory), currentDirectory()}) {
      candidates.push_back(folder + "\\" + name);
    }
  }
  for (const auto& candidate : candidates) {
    HostPath path;
    DWORD error;
    if (mapPath(candidate.c_str(), path, error) && path.exists) {
      if (path.isDirectory) {
        return fail(ERROR_ACCESS_DENIED, static_cast<HMODULE>(nullptr));
      }
      return loadHostLibrary(path.host);
    }
  }
  return fail(ERROR_MOD_NOT_FOUND, static_cast<HMODULE>(nullptr));
}

extern "C" BOOL WINAPI FreeLibrary(HMODULE module) {
  const auto base = reinterpret_cast<UINT_PTR>(module);
  void* handle = nullptr;
  DllMainFunction detach = nullptr;
  {
    std::lock_guard lock(modulesMutex());
    auto it = libraries().find(base);
    if (it == libraries().end()) {
      // Not loaded by LoadLibraryA (linked in, or the program): nothing to release.
      const auto objects = loadedObjects();
      return findByBase(objects, base) ? TRUE : fail(ERROR_MOD_NOT_FOUND, FALSE);
    }
    handle = it->second.references.back();
    it->second.references.pop_back();
    if (it->second.references.empty()) {
      if (it->second.attached) {
        detach = reinterpret_cast<DllMainFunction>(ownSymbol(handle, base, "DllMain"));
      }
      libraries().erase(it);
    }
    if (detach) {
      detach(module, DLL_PROCESS_DETACH, nullptr);
    }
    dlclose(handle);
  }
  return TRUE;
}

extern "C" FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName) {
  if (!procName || reinterpret_cast<UINT_PTR>(procName) < 0x10000) {
    return fail(ERROR_PROC_NOT_FOUND, static_cast<FARPROC>(nullptr)); // ordinals are not emulated
  }
  const auto objects = loadedObjects();
  const LoadedObject* found = module ? findByBase(objects, reinterpret_cast<UINT_PTR>(module))
                                     : (objects.empty() ? nullptr : &objects.front());
  if (!found) {
    return fail(ERROR_MOD_NOT_FOUND, static_cast<FARPROC>(nullptr));
  }
  void* handle =
      found->main ? dlopen(nullptr, RTLD_NOW) : dlopen(found->host.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!handle) {
    return fail(ERROR_MOD_NOT_FOUND, static_cast<FARPROC>(nullptr));
  }
  void* symbol = ownSymbol(handle, found->base, procName);
  dlclose(handle);
  if (!symbol) {
    return fail(ERROR_PROC_NOT_FOUND, static_cast<FARPROC>(nullptr));
  }
  return reinterpret_cast<FARPROC>(symbol);
}

extern "C" BOOL WINAPI DisableThreadLibraryCalls(HMODULE module) {
  if (!module) {
    return fail(ERROR_INVALID_HANDLE, FALSE);
  }
  return TRUE; // the emulation never sends thread notifications
}
