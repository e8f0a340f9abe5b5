#include "platform/DeviceIo.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace platform {
namespace {

constexpr std::string_view kDevicePrefix = "\\\\.\\";

std::optional<std::string> DeviceFilePath(const std::string& name) {
  if (!name.starts_with(kDevicePrefix)) return std::nullopt;
  std::string device = name.substr(kDevicePrefix.size());
  const bool leavesDev = device.empty() || device == "." || device == ".." ||
                         device.find_first_of(std::string_view("/\\\0", 3)) != std::string::npos;
  if (leavesDev) return std::nullopt;
  for (char& c : device) {
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  return "/dev/" + device;
}

class TSystemDeviceHandle final : public TDeviceHandle {
 public:
  explicit TSystemDeviceHandle(int descriptor) : Descriptor(descriptor) {}
  ~TSystemDeviceHandle() override { close(Descriptor); }
  TSystemDeviceHandle(const TSystemDeviceHandle&) = delete;
  TSystemDeviceHandle& operator=(const TSystemDeviceHandle&) = delete;

  bool Control(uint32_t code, const void* in, size_t inSize, void* out, size_t outSize,
               size_t& returned) override {
    returned = 0;
    if ((inSize > 0 && !in) || (outSize > 0 && !out)) return false;
    // The buffer is kept between requests: register writes arrive one request each.
    Buffer.assign(std::max(inSize, outSize), 0);
    if (inSize > 0) std::memcpy(Buffer.data(), in, inSize);
    int result;
    do {
      result = ioctl(Descriptor, static_cast<unsigned long>(code), Buffer.data());
    } while (result < 0 && errno == EINTR);
    if (result < 0) return false;
    if (outSize > 0) std::memcpy(out, Buffer.data(), outSize);
    returned = outSize;
    return true;
  }

 private:
  int Descriptor;
  std::vector<unsigned char> Buffer;
};

class TSystemDeviceIo final : public TDeviceIo {
 public:
  std::unique_ptr<TDeviceHandle> Open(const std::string& name) override {
    const std::optional<std::string> path = DeviceFilePath(name);
    if (!path) return nullptr;
    const int descriptor = open(path->c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0) return nullptr;
    return std::make_unique<TSystemDeviceHandle>(descriptor);
  }
};

}  // namespace

TDeviceIo& SystemDeviceIo() {
  static TSystemDeviceIo deviceIo;
  return deviceIo;
}

}  // namespace platform
