#include "host/module_library.h"

#include "host/library_architecture.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace oxhost {

#if defined(_WIN32)

static std::string LastErrorText() {
  char text[512] = {};
  DWORD code = GetLastError();
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                 sizeof text, nullptr);
  std::string message(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  return message.empty() ? "error " + std::to_string(code) : message;
}

static void* OpenLibrary(const std::string& path, std::string& error) {
  HMODULE handle = LoadLibraryA(path.c_str());
  if (!handle) error = LastErrorText();
  return reinterpret_cast<void*>(handle);
}

static void CloseLibrary(void* handle) { FreeLibrary(reinterpret_cast<HMODULE>(handle)); }

static void* FindSymbol(void* handle, const std::string& name) {
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle), name.c_str()));
}

#else

static void* OpenLibrary(const std::string& path, std::string& error) {
  // A bare file name would make dlopen search the system paths instead.
  std::string where = path.find('/') == std::string::npos ? "./" + path : path;
  void* handle = dlopen(where.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) error = dlerror();
  return handle;
}

static void CloseLibrary(void* handle) { dlclose(handle); }

static void* FindSymbol(void* handle, const std::string& name) { return dlsym(handle, name.c_str()); }

#endif

std::unique_ptr<ModuleLibrary> ModuleLibrary::Load(const std::string& path, std::string& error) {
  std::string reason;
  void* handle = OpenLibrary(path, reason);
  if (!handle) {
    // A library built for another machine is the commonest cause; say so plainly.
    std::string kind = LibraryFileArchitecture(path);
    if (!kind.empty() && kind != HostLibraryArchitecture()) {
      reason = "it is a " + kind + " library, and this program loads " + HostLibraryArchitecture() + " libraries";
    }
    error = "cannot load module library '" + path + "': " + reason;
    return nullptr;
  }
  return std::unique_ptr<ModuleLibrary>(new ModuleLibrary(handle, path));
}

ModuleLibrary::~ModuleLibrary() { CloseLibrary(handle_); }

void* ModuleLibrary::Export(const std::string& name, std::string& error) const {
  void* address = FindSymbol(handle_, name);
  if (!address) error = "module library '" + path_ + "' has no export '" + name + "'";
  return address;
}

bool ModuleLibrary::HasExport(const std::string& name) const { return FindSymbol(handle_, name) != nullptr; }

}  // namespace oxhost
