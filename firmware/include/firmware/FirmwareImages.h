#pragma once
// The project's own C64 firmware, assembled from the 6502 sources in firmware/ at build time.
// It stands in for the Commodore ROMs: a KERNAL with the entry points music code uses, a BASIC
// slot that runs only the simplest programs, a character set and the RAM contents after power-on.
#include <array>
#include <cstdint>

namespace firmware {

extern const std::array<uint8_t, 8192> Kernal;   // $E000-$FFFF
extern const std::array<uint8_t, 8192> Basic;    // $A000-$BFFF
extern const std::array<uint8_t, 4096> Chars;    // $D000-$DFFF: upper-case set, lower-case set
extern const std::array<uint8_t, 4096> PowerOn;  // RAM $0000-$0FFF after power-on

constexpr uint16_t KernalStart = 0xE000;
constexpr uint16_t BasicStart = 0xA000;

// Documented entry points that the built-in KERNAL serves.
constexpr uint16_t IrqEntry = 0xFF48;     // hardware IRQ/BRK: saves A, X, Y, dispatches via $0314/$0316
constexpr uint16_t IrqHandler = 0xEA31;   // the system interrupt: jiffy clock, keyboard, CIA 1 acknowledge
constexpr uint16_t IrqAcknowledge = 0xEA7E;
constexpr uint16_t IrqReturn = 0xEA81;    // pulls Y, X, A and returns from the interrupt
constexpr uint16_t NmiEntry = 0xFE43;     // dispatches via $0318
constexpr uint16_t NmiHandler = 0xFE47;
constexpr uint16_t NmiReturn = 0xFEBC;    // pulls Y, X, A and returns from the interrupt
constexpr uint16_t BrkHandler = 0xFE66;
constexpr uint16_t Reset = 0xFCE2;

// The built-in BASIC runs a program made of SYS, POKE, REM, END and STOP statements with plain
// decimal numbers from its statement loop at BasicRun, where RUN continues. A program that ends
// waits at BasicReadyLoop, as a C64 waits at READY., with interrupts on.
constexpr uint16_t BasicRun = 0xA7AE;
constexpr uint16_t BasicReadyLoop = 0xA484;

// Any other program, or one that enters the built-in BASIC image anywhere else, ends in an
// endless JMP to itself at BasicTrap; one that calls BASIC's share of the built-in KERNAL
// ($E000-$E4FC) ends at KernalBasicTrap. A CPU found looping there needs a real BASIC ROM.
constexpr uint16_t BasicTrap = 0xBFFD;
constexpr uint16_t KernalBasicTrap = 0xE4FD;

}  // namespace firmware
