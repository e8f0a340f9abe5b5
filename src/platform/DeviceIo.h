#pragma once
// Device I/O: open a device file, send it control codes with input and output bytes, close.
// The interface lets the Catweasel drivers run against a simulated card in tests.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class TDeviceHandle {
 public:
  virtual ~TDeviceHandle() = default;
  // Sends a control code with inSize input bytes; up to outSize answer bytes are stored in
  // out and their count in returned. False when the device refuses the request.
  virtual bool Control(uint32_t code, const void* in, size_t inSize, void* out, size_t outSize,
                       size_t& returned) = 0;
};

class TDeviceIo {
 public:
  virtual ~TDeviceIo() = default;
  // Opens a device by its name ("\\.\SID6581_1" style names map to /dev files on Linux);
  // nullptr when it does not exist or cannot be opened.
  virtual std::unique_ptr<TDeviceHandle> Open(const std::string& name) = 0;
};

// The real back-end: device files under /dev driven with ioctl.
//
// Names: "\\.\" followed by the device's name, which is lower-cased and looked up in /dev:
// "\\.\SID6581_1" opens /dev/sid6581_1 and "\\.\CAT1_F0" opens /dev/cat1_f0 (read and
// write). Other names, and names that would leave /dev, open nothing.
//
// Control: the code is the ioctl request number, and its one argument points to a zeroed
// buffer of max(inSize, outSize) bytes that starts with the input bytes. When the driver
// accepts the request, the first outSize bytes of the buffer are the answer and returned is
// outSize; when it refuses, returned is 0 and out is left alone.
TDeviceIo& SystemDeviceIo();

}  // namespace platform
