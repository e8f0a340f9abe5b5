// Once a chip is made, running it allocates nothing: every buffer the cycle loop and the
// resampler need exists before the first sample. Counted by standing in for the C library's
// allocator in this test program (which reaches libsoxr's allocations too); sanitizer builds
// bring their own allocator and skip.
#include <atomic>
#include <cstdlib>

#include "sid/ChipRig.h"

#if defined(__SANITIZE_ADDRESS__)
#define VEXLOR_OWN_ALLOCATOR 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VEXLOR_OWN_ALLOCATOR 0
#endif
#endif
#ifndef VEXLOR_OWN_ALLOCATOR
#define VEXLOR_OWN_ALLOCATOR 1
#endif

namespace {
std::atomic<bool> Counting{false};
std::atomic<int> Allocations{0};
}  // namespace

#if VEXLOR_OWN_ALLOCATOR
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
__attribute__((noinline)) void CountedAllocation() { ++Allocations; }
void* malloc(size_t size) {
  if (Counting) CountedAllocation();
  return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
  if (Counting) CountedAllocation();
  return __libc_calloc(count, size);
}
void* realloc(void* pointer, size_t size) {
  if (Counting) CountedAllocation();
  return __libc_realloc(pointer, size);
}
}
#endif

namespace {

TEST(HotPath, RunningAChipAllocatesNothing) {
  if (!VEXLOR_OWN_ALLOCATOR) GTEST_SKIP() << "the sanitizer owns the allocator";
  for (const TSidModel model : {TSidModel::Mos6581, TSidModel::Mos8580}) {
    TChipRig rig(model);
    std::vector<float> out(rig.Chip.MaxSamples(20000));
    rig.Write({{0, 0x45}, {1, 0x1D}, {5, 0x09}, {6, 0xF0}, {23, 0xF1}, {24, 0x1F}, {4, 0x41}});
    rig.Chip.Clock(20000, out.data());
    Allocations = 0;
    Counting = true;
    for (int frame = 0; frame < 100; ++frame) {
      rig.Chip.Write(uint8_t(frame % 25), uint8_t(frame * 37));
      rig.Chip.Clock(19656, out.data());
      rig.Chip.Read(27);
    }
    Counting = false;
    EXPECT_EQ(Allocations.load(), 0);
  }
}

}  // namespace
