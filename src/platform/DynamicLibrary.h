#pragma once
// Run-time loading of a shared library and lookup of its exported functions.
#include <string>

namespace platform {

class TDynamicLibrary {
 public:
  TDynamicLibrary() = default;
  ~TDynamicLibrary();
  TDynamicLibrary(const TDynamicLibrary&) = delete;
  TDynamicLibrary& operator=(const TDynamicLibrary&) = delete;

  // Opens a library by path, or by name on the system's search path. A loaded library is
  // closed first. False when it cannot be loaded.
  bool Open(const std::string& pathOrName);
  void Close();
  bool IsOpen() const { return Handle != nullptr; }
  // Address of an exported symbol, or nullptr when missing or no library is open.
  void* Symbol(const std::string& name) const;
  // The loader's message about the last failed Open or Symbol, for diagnostics.
  const std::string& LastError() const { return Error; }

 private:
  void* Handle = nullptr;
  mutable std::string Error;
};

}  // namespace platform
