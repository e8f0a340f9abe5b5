#pragma once
// Simulated Catweasel hardware behind the device-I/O interface: an MK3 chip (register
// requests, clock request) and an MK4 card (ports, command FIFO, direct mode). Every request
// is recorded; a device can refuse chosen control codes or vanish while a driver holds it.
#include <array>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "output/CatweaselMK3.h"
#include "output/CatweaselMK4.h"
#include "platform/DeviceIo.h"

struct TControlCall {
  uint32_t Code;
  std::vector<uint8_t> In;
  bool operator==(const TControlCall&) const = default;
};

using TPortPairs = std::vector<std::pair<uint8_t, uint8_t>>;

class TSimulatedDevice {
 public:
  virtual ~TSimulatedDevice() = default;
  bool Control(uint32_t code, const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize) {
    Calls.push_back({code, std::vector<uint8_t>(in, in + inSize)});
    if (Gone || Refused.contains(code)) return false;
    return Answer(code, Calls.back().In, out, outSize);
  }
  std::vector<TControlCall> Calls;
  std::set<uint32_t> Refused;
  bool Gone = false;
  bool Closed = false;
  // What the chip's oscillator 3 output reads: an 8580 reaches the upper half, a 6581 not.
  std::string Model = "8580";

 protected:
  virtual bool Answer(uint32_t code, const std::vector<uint8_t>& in, uint8_t* out,
                      size_t outSize) = 0;
  uint8_t Oscillator3() {
    return uint8_t((OscillatorStep += 37) & (Model == "8580" ? 0xFF : 0x7F));
  }
  uint8_t OscillatorStep = 0;
};

class TSimulatedHandle final : public platform::TDeviceHandle {
 public:
  explicit TSimulatedHandle(std::shared_ptr<TSimulatedDevice> device) : Device(std::move(device)) {}
  ~TSimulatedHandle() override { Device->Closed = true; }
  bool Control(uint32_t code, const void* in, size_t inSize, void* out, size_t outSize,
               size_t& returned) override {
    const bool accepted = Device->Control(code, static_cast<const uint8_t*>(in), inSize,
                                          static_cast<uint8_t*>(out), outSize);
    returned = accepted ? outSize : 0;
    return accepted;
  }

 private:
  std::shared_ptr<TSimulatedDevice> Device;
};

class TSimulatedIo final : public platform::TDeviceIo {
 public:
  std::unique_ptr<platform::TDeviceHandle> Open(const std::string& name) override {
    Tried.push_back(name);
    auto found = Devices.find(name);
    if (found == Devices.end() || found->second->Gone) return nullptr;
    return std::make_unique<TSimulatedHandle>(found->second);
  }
  template <typename T>
  std::shared_ptr<T> Add(const std::string& name) {
    auto device = std::make_shared<T>();
    Devices[name] = device;
    return device;
  }
  std::map<std::string, std::shared_ptr<TSimulatedDevice>> Devices;
  std::vector<std::string> Tried;
};

class TSimulatedMK3 final : public TSimulatedDevice {
 public:
  std::array<uint8_t, 32> Registers{};
  // (register, value) of every write request, repeats included.
  TPortPairs Writes() const {
    TPortPairs writes;
    for (const TControlCall& call : Calls)
      if (call.Code == TCatweaselMK3::AccessCode && call.In[0] != 0x20)
        writes.emplace_back(call.In[0], call.In[1]);
    return writes;
  }

 protected:
  bool Answer(uint32_t code, const std::vector<uint8_t>& in, uint8_t* out,
              size_t outSize) override {
    if (code == TCatweaselMK3::ClockCode) return in.size() == 1;
    if (code != TCatweaselMK3::AccessCode || in.size() != 2) return false;
    if (in[0] == 0x20 && outSize == 1) {
      out[0] = in[1] == 27 ? Oscillator3() : Registers[in[1] & 31];
    } else {
      Registers[in[0] & 31] = in[1];
    }
    return true;
  }
};

// One MK4 card: two sockets fed by the command FIFO or by direct-mode commands.
class TSimulatedMK4 final : public TSimulatedDevice {
 public:
  std::array<std::array<uint8_t, 32>, 2> Registers{};
  // FIFO level readings in turn; Fill once they run out.
  std::deque<uint8_t> FillReadings;
  uint8_t Fill = 0;
  uint16_t Correction = 0;
  // Status polls that answer "not yet" before a FIFO read completes; −1 never completes.
  int PollsBeforeReady = 0;
  // The FIFO stream decoded: "W s r v", "R s r", "wait n".
  std::vector<std::string> Fifo;

  // The (port, value) pairs of every port batch, in order.
  TPortPairs PortWrites() const {
    TPortPairs pairs;
    for (const TControlCall& call : Calls)
      if (call.Code == TCatweaselMK4::WritePortsCode)
        for (size_t i = 0; i + 1 < call.In.size(); i += 2)
          pairs.emplace_back(call.In[i], call.In[i + 1]);
    return pairs;
  }
  size_t Batches() const {
    size_t count = 0;
    for (const TControlCall& call : Calls) count += call.Code == TCatweaselMK4::WritePortsCode;
    return count;
  }

 protected:
  bool Answer(uint32_t code, const std::vector<uint8_t>& in, uint8_t* out,
              size_t outSize) override {
    switch (code) {
      case TCatweaselMK4::OpenCode:
      case TCatweaselMK4::CloseCode:
        std::memset(out, 0, outSize);
        return outSize == TCatweaselMK4::TransferSize;
      case TCatweaselMK4::WritePortsCode:
        for (size_t i = 0; i + 1 < in.size(); i += 2) WritePort(in[i], in[i + 1]);
        return in.size() % 2 == 0 && in.size() <= 32;
      case TCatweaselMK4::ReadPortCode:
        if (in.size() != 1 || outSize != 1) return false;
        out[0] = ReadPort(in[0]);
        return true;
      default:
        return false;
    }
  }

 private:
  void WritePort(uint8_t port, uint8_t value) {
    if (port == 0xC0) FifoByte(value);
    if (port == 0xD0) Correction = 0;
    if (port == 0xD8) Data = value;
    if (port == 0xDC) DirectCommand(value);
  }
  uint8_t ReadPort(uint8_t port) {
    switch (port) {
      case 0xC4: {
        if (FillReadings.empty()) return Fill;
        const uint8_t level = FillReadings.front();
        FillReadings.pop_front();
        return level;
      }
      case 0xCC:
        if (Results.empty() || PollsLeft < 0) return 0;
        return PollsLeft-- > 0 ? 0 : 0x80;
      case 0xC0: {
        if (Results.empty()) return 0;
        const uint8_t result = Results.front();
        Results.pop_front();
        return result;
      }
      case 0xD0:
        return uint8_t(Correction >> 8);
      case 0xD4:
        return uint8_t(Correction);
      case 0xD8: {
        if (Results.empty()) return 0xEE;
        const uint8_t result = Results.front();
        Results.pop_front();
        return result;
      }
      default:
        return 0;
    }
  }
  uint8_t ReadRegister(int socket, int reg) {
    return reg == 27 ? Oscillator3() : Registers[socket][reg];
  }
  void FifoByte(uint8_t value) {
    if (Pending >= 0) {
      const int socket = (Pending >> 5) & 1, reg = Pending & 31;
      if (Pending & 0x40) {
        Fifo.push_back("R " + std::to_string(socket) + " " + std::to_string(reg));
        Results = {0xEE, ReadRegister(socket, reg)};
        PollsLeft = PollsBeforeReady;
      } else {
        Registers[socket][reg] = value;
        Fifo.push_back("W " + std::to_string(socket) + " " + std::to_string(reg) + " " +
                       std::to_string(value));
      }
      Pending = -1;
    } else if (value & 0x80) {
      Pending = value;
    } else {
      Fifo.push_back("wait " + std::to_string(value & 0x40 ? ((value & 63) + 1) * 64 : value + 1));
    }
  }
  void DirectCommand(uint8_t command) {
    const int socket = command >> 7, reg = command & 31;
    if (command & 32) {
      Results = {0xEE, 0xEE, ReadRegister(socket, reg)};
    } else {
      Registers[socket][reg] = Data;
    }
  }
  int Pending = -1;
  int PollsLeft = 0;
  uint8_t Data = 0;
  std::deque<uint8_t> Results;
};
