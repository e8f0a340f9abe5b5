// The 256 opcode handlers of the NMOS 6510, built from addressing modes and operations, and the
// per-opcode timing tables used by the VIC and CIA models.
#include "c64/T6510.h"

struct T6510::TOpcodes {
  using C = T6510;
  enum class TAccess { Load, Store, Modify };

  static uint8_t Fetch(C& c) { return c.MapRead(c.PC++); }
  static uint16_t FetchWord(C& c) {
    const uint8_t low = Fetch(c);
    return static_cast<uint16_t>(low | Fetch(c) << 8);
  }
  static void SetNZ(C& c, uint8_t value) {
    c.FlagZ = value == 0;
    c.FlagN = value >> 7;
  }
  static uint8_t HighPlusOne(uint16_t address) { return static_cast<uint8_t>((address >> 8) + 1); }

  // ---- Addressing modes: each resolves the effective address and knows its cycle counts ----

  struct ZeroPage {
    static constexpr bool InZeroPage = true;
    static constexpr uint32_t LoadCycles = 3, StoreCycles = 3, ModifyCycles = 5;
    template <TAccess>
    static uint16_t Resolve(C& c) {
      return Fetch(c);
    }
  };

  template <uint8_t C::*Index>
  struct ZeroPageIndexed {
    static constexpr bool InZeroPage = true;
    static constexpr uint32_t LoadCycles = 4, StoreCycles = 4, ModifyCycles = 6;
    template <TAccess>
    static uint16_t Resolve(C& c) {
      return static_cast<uint8_t>(Fetch(c) + c.*Index);
    }
  };

  struct Absolute {
    static constexpr bool InZeroPage = false;
    static constexpr uint32_t LoadCycles = 4, StoreCycles = 4, ModifyCycles = 6;
    template <TAccess>
    static uint16_t Resolve(C& c) {
      return FetchWord(c);
    }
  };

  template <uint8_t C::*Index>
  struct AbsoluteIndexed {
    static constexpr bool InZeroPage = false;
    static constexpr uint32_t LoadCycles = 4, StoreCycles = 5, ModifyCycles = 7;
    template <TAccess Access>
    static uint16_t Resolve(C& c) {
      const uint16_t base = FetchWord(c);
      const uint16_t address = static_cast<uint16_t>(base + c.*Index);
      const bool crossed = ((address ^ base) & 0xFF00) != 0;
      // The 6510 first reads the address it has before the carry reaches the high byte; a
      // load skips that read when there is no carry, stores and modifies always make it.
      const uint16_t uncarried = static_cast<uint16_t>((base & 0xFF00) | (address & 0xFF));
      if constexpr (Access == TAccess::Load) {
        c.PageCrossed = crossed;
        c.InstructionCycles += crossed;
        if (crossed) c.PreliminaryRead(uncarried);
      } else {
        c.PreliminaryRead(uncarried);
      }
      return address;
    }
  };

  struct IndexedIndirect {
    static constexpr bool InZeroPage = false;
    static constexpr uint32_t LoadCycles = 6, StoreCycles = 6, ModifyCycles = 8;
    template <TAccess>
    static uint16_t Resolve(C& c) {
      const uint8_t pointer = static_cast<uint8_t>(Fetch(c) + c.X);
      return static_cast<uint16_t>(c.Ram[pointer] | c.Ram[static_cast<uint8_t>(pointer + 1)] << 8);
    }
  };

  struct IndirectIndexed {
    static constexpr bool InZeroPage = false;
    static constexpr uint32_t LoadCycles = 5, StoreCycles = 6, ModifyCycles = 8;
    static uint16_t Base(C& c) {
      const uint8_t pointer = Fetch(c);
      return static_cast<uint16_t>(c.Ram[pointer] | c.Ram[static_cast<uint8_t>(pointer + 1)] << 8);
    }
    template <TAccess Access>
    static uint16_t Resolve(C& c) {
      const uint16_t base = Base(c);
      const uint16_t address = static_cast<uint16_t>(base + c.Y);
      if constexpr (Access == TAccess::Load) {
        c.PageCrossed = ((address ^ base) & 0xFF00) != 0;
        c.InstructionCycles += c.PageCrossed;
      }
      return address;
    }
  };

  using Zp = ZeroPage;
  using ZpX = ZeroPageIndexed<&C::X>;
  using ZpY = ZeroPageIndexed<&C::Y>;
  using Abs = Absolute;
  using AbsX = AbsoluteIndexed<&C::X>;
  using AbsY = AbsoluteIndexed<&C::Y>;
  using IndX = IndexedIndirect;
  using IndY = IndirectIndexed;

  template <class Mode>
  static uint8_t Get(C& c, uint16_t address) {
    if constexpr (Mode::InZeroPage) {
      return c.Ram[address];
    } else {
      return c.ReadMemory(address);
    }
  }
  template <class Mode>
  static void Put(C& c, uint16_t address, uint8_t value) {
    if constexpr (Mode::InZeroPage) {
      c.WriteZeroPage(static_cast<uint8_t>(address), value);
    } else {
      c.WriteMemory(address, value);
    }
  }

  // ---- Instruction shapes ----

  template <void (*Op)(C&, uint8_t)>
  static void Immediate(C& c) {
    c.InstructionCycles = 2;
    Op(c, Fetch(c));
  }

  template <class Mode, void (*Op)(C&, uint8_t)>
  static void Load(C& c) {
    c.InstructionCycles = Mode::LoadCycles;
    const uint16_t address = Mode::template Resolve<TAccess::Load>(c);
    Op(c, Get<Mode>(c, address));
  }

  template <class Mode, uint8_t (*Value)(C&)>
  static void Store(C& c) {
    c.InstructionCycles = Mode::StoreCycles;
    const uint16_t address = Mode::template Resolve<TAccess::Store>(c);
    Put<Mode>(c, address, Value(c));
  }

  // Outside the zero page the 6510 writes the unmodified byte back before the result.
  template <class Mode, uint8_t (*Op)(C&, uint8_t)>
  static void Modify(C& c) {
    c.InstructionCycles = Mode::ModifyCycles;
    const uint16_t address = Mode::template Resolve<TAccess::Modify>(c);
    const uint8_t value = Get<Mode>(c, address);
    const uint8_t result = Op(c, value);
    if constexpr (!Mode::InZeroPage) c.WriteMemory(address, value);
    Put<Mode>(c, address, result);
  }

  template <uint8_t (*Op)(C&, uint8_t)>
  static void Accumulator(C& c) {
    c.InstructionCycles = 2;
    c.A = Op(c, c.A);
  }

  template <void (*Op)(C&)>
  static void Implied(C& c) {
    c.InstructionCycles = 2;
    Op(c);
  }

  template <uint8_t C::*Flag, uint8_t Taken>
  static void Branch(C& c) {
    const int8_t offset = static_cast<int8_t>(Fetch(c));
    if (c.*Flag != Taken) {
      c.InstructionCycles = 2;
      c.PageCrossed = 0;
      return;
    }
    const uint16_t target = static_cast<uint16_t>(c.PC + offset);
    c.PageCrossed = ((target ^ c.PC) & 0xFF00) != 0;
    c.InstructionCycles = 3u + c.PageCrossed;
    c.BranchDelay = !c.PageCrossed;
    c.PC = target;
  }

  template <uint8_t C::*Flag, uint8_t Value>
  static void SetFlag(C& c) {
    c.*Flag = Value;
  }

  // ---- Register values for stores ----
  static uint8_t ValueA(C& c) { return c.A; }
  static uint8_t ValueX(C& c) { return c.X; }
  static uint8_t ValueY(C& c) { return c.Y; }
  static uint8_t ValueAX(C& c) { return c.A & c.X; }

  // ---- Operations on a read operand ----
  static void Lda(C& c, uint8_t m) { SetNZ(c, c.A = m); }
  static void Ldx(C& c, uint8_t m) { SetNZ(c, c.X = m); }
  static void Ldy(C& c, uint8_t m) { SetNZ(c, c.Y = m); }
  static void Lax(C& c, uint8_t m) { SetNZ(c, c.A = c.X = m); }
  static void Ora(C& c, uint8_t m) { SetNZ(c, c.A |= m); }
  static void And(C& c, uint8_t m) { SetNZ(c, c.A &= m); }
  static void Eor(C& c, uint8_t m) { SetNZ(c, c.A ^= m); }
  static void Compare(C& c, uint8_t reg, uint8_t m) {
    c.FlagC = reg >= m;
    SetNZ(c, static_cast<uint8_t>(reg - m));
  }
  static void Cmp(C& c, uint8_t m) { Compare(c, c.A, m); }
  static void Cpx(C& c, uint8_t m) { Compare(c, c.X, m); }
  static void Cpy(C& c, uint8_t m) { Compare(c, c.Y, m); }
  static void Bit(C& c, uint8_t m) {
    c.FlagZ = (c.A & m) == 0;
    c.FlagV = (m >> 6) & 1;
    c.FlagN = m >> 7;
  }
  static void AdcBinary(C& c, uint8_t m) {
    const unsigned sum = c.A + m + c.FlagC;
    c.FlagV = ((~(c.A ^ m) & (c.A ^ sum)) >> 7) & 1;
    c.FlagC = sum > 0xFF;
    SetNZ(c, c.A = static_cast<uint8_t>(sum));
  }
  static void SbcBinary(C& c, uint8_t m) { AdcBinary(c, static_cast<uint8_t>(~m)); }
  static void AdcDecimal(C& c, uint8_t m) {
    const unsigned a = c.A;
    const unsigned low = (a & 0x0F) + (m & 0x0F) + c.FlagC;
    unsigned high = (a & 0xF0) + (m & 0xF0);
    c.FlagZ = ((high + low) & 0xFF) == 0;
    if (low > 9) high += 0x10;
    c.FlagN = (high >> 7) & 1;
    c.FlagV = ((((a & 0xF0) ^ high) & ~((m & 0xF0) ^ (a & 0xF0))) >> 7) & 1;
    c.FlagC = high >= 0xA0;
    c.A = static_cast<uint8_t>(high + (c.FlagC ? 0x60 : 0) + ((low + (low > 9 ? 6 : 0)) & 0x0F));
  }
  static void SbcDecimal(C& c, uint8_t m) {
    const unsigned a = c.A;
    unsigned low = ((a & 0x0F) - (m & 0x0F) - (1u - c.FlagC)) & 0xFF;
    unsigned high = ((a & 0xF0) - (m & 0xF0) - (low & 0x10)) & 0xFFFF;
    c.FlagV = (((high ^ a) & (a ^ m)) >> 7) & 1;
    c.FlagC = (high & 0x100) == 0;
    c.FlagN = (high >> 7) & 1;
    c.FlagZ = (high & 0xFF) == 0 && (low & 0x0F) == 0;
    if (high & 0x100) high -= 0x60;
    if (low & 0x10) low = (low - 6) & 0x0F;
    c.A = static_cast<uint8_t>(low | high);
  }
  static void Anc(C& c, uint8_t m) {
    SetNZ(c, c.A &= m);
    c.FlagC = c.FlagN;
  }
  static void Alr(C& c, uint8_t m) {
    const uint8_t t = c.A & m;
    c.FlagC = t & 1;
    SetNZ(c, c.A = t >> 1);
  }
  static void ArrBinary(C& c, uint8_t m) {
    const uint8_t t = c.A & m;
    SetNZ(c, c.A = static_cast<uint8_t>(t >> 1 | c.FlagC << 7));
    c.FlagC = (c.A >> 6) & 1;
    c.FlagV = ((c.A >> 6) ^ (c.A >> 5)) & 1;
  }
  static void ArrDecimal(C& c, uint8_t m) {
    const uint8_t t = c.A & m;
    uint8_t r = static_cast<uint8_t>(t >> 1 | c.FlagC << 7);
    SetNZ(c, r);
    c.FlagV = ((r ^ t) >> 6) & 1;
    if ((t & 0x0F) >= 5) r = static_cast<uint8_t>((r & 0xF0) | ((r + 6) & 0x0F));
    c.FlagC = t >= 0x50;
    c.A = c.FlagC ? static_cast<uint8_t>(r + 0x60) : r;
  }
  static void Ane(C& c, uint8_t m) { SetNZ(c, c.A = (c.A | 0xEE) & c.X & m); }
  static void Lxa(C& c, uint8_t m) { SetNZ(c, c.A = c.X = (c.A | 0xEE) & m); }
  static void Sbx(C& c, uint8_t m) {
    const uint8_t t = c.A & c.X;
    c.FlagC = t >= m;
    SetNZ(c, c.X = static_cast<uint8_t>(t - m));
  }

  // ---- Read-modify-write operations: return the byte to write back ----
  static uint8_t Asl(C& c, uint8_t m) {
    c.FlagC = m >> 7;
    const uint8_t r = static_cast<uint8_t>(m << 1);
    SetNZ(c, r);
    return r;
  }
  static uint8_t Lsr(C& c, uint8_t m) {
    c.FlagC = m & 1;
    const uint8_t r = m >> 1;
    SetNZ(c, r);
    return r;
  }
  static uint8_t Rol(C& c, uint8_t m) {
    const uint8_t r = static_cast<uint8_t>(m << 1 | c.FlagC);
    c.FlagC = m >> 7;
    SetNZ(c, r);
    return r;
  }
  static uint8_t Ror(C& c, uint8_t m) {
    const uint8_t r = static_cast<uint8_t>(m >> 1 | c.FlagC << 7);
    c.FlagC = m & 1;
    SetNZ(c, r);
    return r;
  }
  static uint8_t Inc(C& c, uint8_t m) {
    const uint8_t r = static_cast<uint8_t>(m + 1);
    SetNZ(c, r);
    return r;
  }
  static uint8_t Dec(C& c, uint8_t m) {
    const uint8_t r = static_cast<uint8_t>(m - 1);
    SetNZ(c, r);
    return r;
  }
  static uint8_t Slo(C& c, uint8_t m) {
    const uint8_t r = Asl(c, m);
    Ora(c, r);
    return r;
  }
  static uint8_t Rla(C& c, uint8_t m) {
    const uint8_t r = Rol(c, m);
    And(c, r);
    return r;
  }
  static uint8_t Sre(C& c, uint8_t m) {
    const uint8_t r = Lsr(c, m);
    Eor(c, r);
    return r;
  }
  template <void (*Add)(C&, uint8_t)>
  static uint8_t Rra(C& c, uint8_t m) {
    const uint8_t r = Ror(c, m);
    Add(c, r);
    return r;
  }
  static uint8_t Dcp(C& c, uint8_t m) {
    const uint8_t r = static_cast<uint8_t>(m - 1);
    Compare(c, c.A, r);
    return r;
  }
  template <void (*Subtract)(C&, uint8_t)>
  static uint8_t Isc(C& c, uint8_t m) {
    const uint8_t r = static_cast<uint8_t>(m + 1);
    Subtract(c, r);
    return r;
  }

  // ---- Implied operations ----
  static void Tax(C& c) { SetNZ(c, c.X = c.A); }
  static void Tay(C& c) { SetNZ(c, c.Y = c.A); }
  static void Txa(C& c) { SetNZ(c, c.A = c.X); }
  static void Tya(C& c) { SetNZ(c, c.A = c.Y); }
  static void Tsx(C& c) { SetNZ(c, c.X = c.SP); }
  static void Txs(C& c) {
    c.SP = c.X;
    c.StackDepth = 255 - c.X;
  }
  static void Inx(C& c) { SetNZ(c, ++c.X); }
  static void Iny(C& c) { SetNZ(c, ++c.Y); }
  static void Dex(C& c) { SetNZ(c, --c.X); }
  static void Dey(C& c) { SetNZ(c, --c.Y); }
  static void Nothing(C&) {}
  static void Sei(C& c) {
    c.IrqWasEnabled = !c.FlagI;
    c.FlagI = 1;
  }
  static void Cld(C& c) {
    c.FlagD = 0;
    c.SetBinaryHandlers();
  }
  static void Sed(C& c) {
    c.FlagD = 1;
    c.SetDecimalHandlers();
  }

  // ---- Stack, jumps and control ----
  static void Pha(C& c) {
    c.InstructionCycles = 3;
    c.Push(c.A);
    ++c.StackDepth;
  }
  static void Php(C& c) {
    c.InstructionCycles = 3;
    c.Push(c.StatusByte() | 0x30);
    ++c.StackDepth;
  }
  static void Pla(C& c) {
    c.InstructionCycles = 4;
    SetNZ(c, c.A = c.Pull());
    --c.StackDepth;
  }
  static void Plp(C& c) { c.PullStatus(); }
  static void Cli(C& c) { c.ClearInterruptFlag(); }
  static void Brk(C& c) { c.Break(); }
  static void Rti(C& c) { c.ReturnFromInterrupt(); }
  static void JmpAbsolute(C& c) {
    c.InstructionCycles = 3;
    c.PC = FetchWord(c);
  }
  // The pointer's high byte comes from the same page: JMP ($10FF) reads $10FF and $1000.
  static void JmpIndirect(C& c) {
    c.InstructionCycles = 5;
    const uint16_t pointer = FetchWord(c);
    const uint8_t low = c.ReadMemory(pointer);
    const uint8_t high = c.ReadMemory(static_cast<uint16_t>((pointer & 0xFF00) | ((pointer + 1) & 0xFF)));
    c.PC = static_cast<uint16_t>(low | high << 8);
  }
  // The high byte of the target is fetched after the pushes, as on the chip.
  static void Jsr(C& c) {
    c.InstructionCycles = 6;
    const uint8_t low = Fetch(c);
    c.Push(static_cast<uint8_t>(c.PC >> 8));
    c.Push(static_cast<uint8_t>(c.PC));
    c.StackDepth += 2;
    c.PC = static_cast<uint16_t>(low | c.MapRead(c.PC) << 8);
  }
  static void Rts(C& c) {
    c.InstructionCycles = 6;
    const uint8_t low = c.Pull();
    c.PC = static_cast<uint16_t>((low | c.Pull() << 8) + 1);
    c.StackDepth -= 2;
  }
  static void Jam(C& c) {
    c.InstructionCycles = 1;
    --c.PC;
  }
  template <uint32_t Cycles, uint8_t Bytes>
  static void Skip(C& c) {
    c.InstructionCycles = Cycles;
    c.PC = static_cast<uint16_t>(c.PC + Bytes);
  }
  static void SkipAbsoluteX(C& c) {
    const uint16_t base = FetchWord(c);
    c.InstructionCycles = 4u + ((((base + c.X) ^ base) & 0xFF00) != 0);
  }
  static void Las(C& c) {
    const uint16_t base = FetchWord(c);
    const uint16_t address = static_cast<uint16_t>(base + c.Y);
    c.PageCrossed = ((address ^ base) & 0xFF00) != 0;
    c.InstructionCycles = 4u + c.PageCrossed;
    SetNZ(c, c.A = c.X = c.SP = c.SP & c.ReadMemory(address));
  }
  // SHA, SHX, SHY and TAS store a register ANDed with the base's high byte plus one.
  template <uint8_t C::*Index, uint8_t (*Value)(C&)>
  static void StoreHighAnd(C& c) {
    c.InstructionCycles = 5;
    const uint16_t base = FetchWord(c);
    c.WriteMemory(static_cast<uint16_t>(base + c.*Index), Value(c) & HighPlusOne(base));
  }
  static uint8_t TransferAXToStack(C& c) { return c.SP = c.A & c.X; }
  static void ShaIndirect(C& c) {
    c.InstructionCycles = 6;
    const uint16_t address = static_cast<uint16_t>(IndY::Base(c) + c.Y);
    c.WriteMemory(address, c.A & c.X & HighPlusOne(address));
  }

  // ---- Table construction ----

  // ORA AND EOR ADC LDA CMP SBC: (zp,X) zp imm abs (zp),Y zp,X abs,Y abs,X at base + 0, 4, ... 1C.
  template <void (*Op)(C&, uint8_t)>
  static void SetReadGroup(THandlerTable& t, uint8_t base) {
    t[base + 0x00] = Load<IndX, Op>;
    t[base + 0x04] = Load<Zp, Op>;
    t[base + 0x08] = Immediate<Op>;
    t[base + 0x0C] = Load<Abs, Op>;
    t[base + 0x10] = Load<IndY, Op>;
    t[base + 0x14] = Load<ZpX, Op>;
    t[base + 0x18] = Load<AbsY, Op>;
    t[base + 0x1C] = Load<AbsX, Op>;
  }
  // ASL ROL LSR ROR DEC INC: zp abs zp,X abs,X at base + 0, 8, 10, 18.
  template <uint8_t (*Op)(C&, uint8_t)>
  static void SetShiftGroup(THandlerTable& t, uint8_t base) {
    t[base + 0x00] = Modify<Zp, Op>;
    t[base + 0x08] = Modify<Abs, Op>;
    t[base + 0x10] = Modify<ZpX, Op>;
    t[base + 0x18] = Modify<AbsX, Op>;
  }
  // SLO RLA SRE RRA DCP ISC: every mode of the read group but immediate.
  template <uint8_t (*Op)(C&, uint8_t)>
  static void SetCombinedGroup(THandlerTable& t, uint8_t base) {
    t[base + 0x00] = Modify<IndX, Op>;
    t[base + 0x04] = Modify<Zp, Op>;
    t[base + 0x0C] = Modify<Abs, Op>;
    t[base + 0x10] = Modify<IndY, Op>;
    t[base + 0x14] = Modify<ZpX, Op>;
    t[base + 0x18] = Modify<AbsY, Op>;
    t[base + 0x1C] = Modify<AbsX, Op>;
  }

  template <void (*Adc)(C&, uint8_t), void (*Sbc)(C&, uint8_t), void (*Arr)(C&, uint8_t)>
  static THandlerTable Build() {
    THandlerTable t{};
    SetReadGroup<Ora>(t, 0x01);
    SetReadGroup<And>(t, 0x21);
    SetReadGroup<Eor>(t, 0x41);
    SetReadGroup<Adc>(t, 0x61);
    SetReadGroup<Lda>(t, 0xA1);
    SetReadGroup<Cmp>(t, 0xC1);
    SetReadGroup<Sbc>(t, 0xE1);
    SetShiftGroup<Asl>(t, 0x06);
    SetShiftGroup<Rol>(t, 0x26);
    SetShiftGroup<Lsr>(t, 0x46);
    SetShiftGroup<Ror>(t, 0x66);
    SetShiftGroup<Dec>(t, 0xC6);
    SetShiftGroup<Inc>(t, 0xE6);
    SetCombinedGroup<Slo>(t, 0x03);
    SetCombinedGroup<Rla>(t, 0x23);
    SetCombinedGroup<Sre>(t, 0x43);
    SetCombinedGroup<Rra<Adc>>(t, 0x63);
    SetCombinedGroup<Dcp>(t, 0xC3);
    SetCombinedGroup<Isc<Sbc>>(t, 0xE3);

    t[0x0A] = Accumulator<Asl>;
    t[0x2A] = Accumulator<Rol>;
    t[0x4A] = Accumulator<Lsr>;
    t[0x6A] = Accumulator<Ror>;

    t[0x81] = Store<IndX, ValueA>;
    t[0x85] = Store<Zp, ValueA>;
    t[0x8D] = Store<Abs, ValueA>;
    t[0x91] = Store<IndY, ValueA>;
    t[0x95] = Store<ZpX, ValueA>;
    t[0x99] = Store<AbsY, ValueA>;
    t[0x9D] = Store<AbsX, ValueA>;
    t[0x86] = Store<Zp, ValueX>;
    t[0x8E] = Store<Abs, ValueX>;
    t[0x96] = Store<ZpY, ValueX>;
    t[0x84] = Store<Zp, ValueY>;
    t[0x8C] = Store<Abs, ValueY>;
    t[0x94] = Store<ZpX, ValueY>;
    t[0x83] = Store<IndX, ValueAX>;
    t[0x87] = Store<Zp, ValueAX>;
    t[0x8F] = Store<Abs, ValueAX>;
    t[0x97] = Store<ZpY, ValueAX>;

    t[0xA2] = Immediate<Ldx>;
    t[0xA6] = Load<Zp, Ldx>;
    t[0xAE] = Load<Abs, Ldx>;
    t[0xB6] = Load<ZpY, Ldx>;
    t[0xBE] = Load<AbsY, Ldx>;
    t[0xA0] = Immediate<Ldy>;
    t[0xA4] = Load<Zp, Ldy>;
    t[0xAC] = Load<Abs, Ldy>;
    t[0xB4] = Load<ZpX, Ldy>;
    t[0xBC] = Load<AbsX, Ldy>;
    t[0xA3] = Load<IndX, Lax>;
    t[0xA7] = Load<Zp, Lax>;
    t[0xAF] = Load<Abs, Lax>;
    t[0xB3] = Load<IndY, Lax>;
    t[0xB7] = Load<ZpY, Lax>;
    t[0xBF] = Load<AbsY, Lax>;
    t[0xE0] = Immediate<Cpx>;
    t[0xE4] = Load<Zp, Cpx>;
    t[0xEC] = Load<Abs, Cpx>;
    t[0xC0] = Immediate<Cpy>;
    t[0xC4] = Load<Zp, Cpy>;
    t[0xCC] = Load<Abs, Cpy>;
    t[0x24] = Load<Zp, Bit>;
    t[0x2C] = Load<Abs, Bit>;

    t[0x0B] = Immediate<Anc>;
    t[0x2B] = Immediate<Anc>;
    t[0x4B] = Immediate<Alr>;
    t[0x6B] = Immediate<Arr>;
    t[0x8B] = Immediate<Ane>;
    t[0xAB] = Immediate<Lxa>;
    t[0xCB] = Immediate<Sbx>;
    t[0xEB] = Immediate<Sbc>;
    t[0x93] = ShaIndirect;
    t[0x9F] = StoreHighAnd<&C::Y, ValueAX>;
    t[0x9B] = StoreHighAnd<&C::Y, TransferAXToStack>;
    t[0x9C] = StoreHighAnd<&C::X, ValueY>;
    t[0x9E] = StoreHighAnd<&C::Y, ValueX>;
    t[0xBB] = Las;

    t[0x10] = Branch<&C::FlagN, 0>;
    t[0x30] = Branch<&C::FlagN, 1>;
    t[0x50] = Branch<&C::FlagV, 0>;
    t[0x70] = Branch<&C::FlagV, 1>;
    t[0x90] = Branch<&C::FlagC, 0>;
    t[0xB0] = Branch<&C::FlagC, 1>;
    t[0xD0] = Branch<&C::FlagZ, 0>;
    t[0xF0] = Branch<&C::FlagZ, 1>;

    t[0xAA] = Implied<Tax>;
    t[0xA8] = Implied<Tay>;
    t[0x8A] = Implied<Txa>;
    t[0x98] = Implied<Tya>;
    t[0xBA] = Implied<Tsx>;
    t[0x9A] = Implied<Txs>;
    t[0xE8] = Implied<Inx>;
    t[0xC8] = Implied<Iny>;
    t[0xCA] = Implied<Dex>;
    t[0x88] = Implied<Dey>;
    t[0x18] = Implied<SetFlag<&C::FlagC, 0>>;
    t[0x38] = Implied<SetFlag<&C::FlagC, 1>>;
    t[0xB8] = Implied<SetFlag<&C::FlagV, 0>>;
    t[0x78] = Implied<Sei>;
    t[0x58] = Cli;
    t[0xD8] = Implied<Cld>;
    t[0xF8] = Implied<Sed>;
    t[0xEA] = Implied<Nothing>;

    t[0x48] = Pha;
    t[0x08] = Php;
    t[0x68] = Pla;
    t[0x28] = Plp;
    t[0x00] = Brk;
    t[0x40] = Rti;
    t[0x20] = Jsr;
    t[0x60] = Rts;
    t[0x4C] = JmpAbsolute;
    t[0x6C] = JmpIndirect;

    for (const uint8_t op : {0x1A, 0x3A, 0x5A, 0x7A, 0xDA, 0xFA}) t[op] = Skip<2, 0>;
    for (const uint8_t op : {0x80, 0x82, 0x89, 0xC2, 0xE2}) t[op] = Skip<2, 1>;
    for (const uint8_t op : {0x04, 0x44, 0x64}) t[op] = Skip<3, 1>;
    for (const uint8_t op : {0x14, 0x34, 0x54, 0x74, 0xD4, 0xF4}) t[op] = Skip<4, 1>;
    t[0x0C] = Skip<4, 2>;
    for (const uint8_t op : {0x1C, 0x3C, 0x5C, 0x7C, 0xDC, 0xFC}) t[op] = SkipAbsoluteX;
    for (const uint8_t op : {0x02, 0x12, 0x22, 0x32, 0x42, 0x52, 0x62, 0x72, 0x92, 0xB2, 0xD2, 0xF2}) {
      t[op] = Jam;
    }
    return t;
  }
};

const T6510::THandlerTable& T6510::BinaryHandlers() {
  static const THandlerTable table =
      TOpcodes::Build<TOpcodes::AdcBinary, TOpcodes::SbcBinary, TOpcodes::ArrBinary>();
  return table;
}

const T6510::THandlerTable& T6510::DecimalHandlers() {
  static const THandlerTable table =
      TOpcodes::Build<TOpcodes::AdcDecimal, TOpcodes::SbcDecimal, TOpcodes::ArrDecimal>();
  return table;
}

namespace {

constexpr std::array<uint8_t, 256> MakeWriteCycleTable() {
  std::array<uint8_t, 256> t{};
  auto set = [&t](std::initializer_list<uint8_t> ops, uint8_t cycle) {
    for (const uint8_t op : ops) t[op] = cycle;
  };
  set({0x00, 0x08, 0x48}, 3);
  set({0x20}, 4);
  set({0x06, 0x26, 0x46, 0x66, 0xC6, 0xE6, 0x07, 0x27, 0x47, 0x67, 0xC7, 0xE7}, 4);
  set({0x16, 0x36, 0x56, 0x76, 0xD6, 0xF6, 0x17, 0x37, 0x57, 0x77, 0xD7, 0xF7}, 5);
  set({0x0E, 0x2E, 0x4E, 0x6E, 0xCE, 0xEE, 0x0F, 0x2F, 0x4F, 0x6F, 0xCF, 0xEF}, 5);
  set({0x1E, 0x3E, 0x5E, 0x7E, 0xDE, 0xFE, 0x1F, 0x3F, 0x5F, 0x7F, 0xDF, 0xFF,
       0x1B, 0x3B, 0x5B, 0x7B, 0xDB, 0xFB}, 6);
  set({0x03, 0x23, 0x43, 0x63, 0xC3, 0xE3, 0x13, 0x33, 0x53, 0x73, 0xD3, 0xF3}, 7);
  set({0x81, 0x83, 0x91, 0x93}, 6);
  set({0x85, 0x86, 0x84, 0x87}, 3);
  set({0x95, 0x96, 0x94, 0x97, 0x8D, 0x8E, 0x8C, 0x8F}, 4);
  set({0x9D, 0x99, 0x9F, 0x9E, 0x9C}, 5);
  return t;
}

constexpr std::array<uint8_t, 256> MakeReadCycleTable() {
  std::array<uint8_t, 256> t{};
  constexpr uint8_t entries[][2] = {
      {0x01, 5}, {0x03, 6}, {0x05, 2}, {0x06, 3}, {0x07, 3}, {0x09, 1}, {0x0A, 1}, {0x0B, 1},
      {0x0D, 3}, {0x0E, 4}, {0x0F, 4}, {0x11, 4}, {0x13, 6}, {0x15, 3}, {0x16, 4}, {0x17, 4},
      {0x19, 3}, {0x1B, 5}, {0x1C, 3}, {0x1D, 3}, {0x1E, 5}, {0x1F, 5}, {0x21, 5}, {0x23, 6},
      {0x2E, 3}, {0x3E, 4}, {0xAD, 3}, {0xB1, 4}, {0xBC, 3}, {0xBD, 3}, {0xBE, 3}, {0xEE, 3},
      {0xFE, 4}};
  for (const auto& entry : entries) t[entry[0]] = entry[1];
  return t;
}

}  // namespace

const std::array<uint8_t, 256> T6510::WriteCycleTable = MakeWriteCycleTable();
const std::array<uint8_t, 256> T6510::ReadCycleTable = MakeReadCycleTable();
