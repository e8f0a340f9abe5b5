#pragma once
// The C64 board between the chip and the audio socket: a first-order low-pass of about
// 16 kHz (10 kOhm, 1 nF) at the chip's clock, and the coupling capacitor's high-pass (10 uF
// into 10 kOhm, 1.6 Hz), applied at the host rate where its slow time constant is cheap.
#include <cmath>
#include <numbers>

class TBoardLowPass {
 public:
  void Configure(double clockHz) { Alpha = float(1.0 - std::exp(-2.0 * std::numbers::pi * CornerHz / clockHz)); }
  float Clock(float input) { return State += Alpha * (input - State); }
  void Reset() { State = 0; }

 private:
  static constexpr double CornerHz = 1.0 / (2.0 * std::numbers::pi * 10e3 * 1e-9);
  float Alpha = 0;
  float State = 0;
};

class TCouplingHighPass {
 public:
  void Configure(double sampleRate) { Pole = std::exp(-2.0 * std::numbers::pi * CornerHz / sampleRate); }
  float Filter(float input) {
    const double output = double(input) - Input + Pole * Output;
    Input = input;
    Output = output;
    return float(output);
  }
  void Reset() { Input = Output = 0; }

 private:
  static constexpr double CornerHz = 1.0 / (2.0 * std::numbers::pi * 10e-6 * 10e3);
  double Pole = 1.0;
  double Input = 0;
  double Output = 0;
};
