#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

namespace platform {
namespace {

std::string LoaderError() {
  const char* text = dlerror();
  return text ? text : "unknown loader error";
}

}  // namespace

TDynamicLibrary::~TDynamicLibrary() { Close(); }

bool TDynamicLibrary::Open(const std::string& pathOrName) {
  Close();
  // An empty name would hand back the program itself.
  if (pathOrName.empty()) {
    Error = "no library name given";
    return false;
  }
  Handle = dlopen(pathOrName.c_str(), RTLD_NOW | RTLD_LOCAL);
  Error = Handle ? std::string() : LoaderError();
  return Handle != nullptr;
}

void TDynamicLibrary::Close() {
  if (!Handle) return;
  dlclose(Handle);
  Handle = nullptr;
}

void* TDynamicLibrary::Symbol(const std::string& name) const {
  if (!Handle) {
    Error = "no library is open";
    return nullptr;
  }
  dlerror();
  void* address = dlsym(Handle, name.c_str());
  if (!address) Error = LoaderError();
  return address;
}

}  // namespace platform
