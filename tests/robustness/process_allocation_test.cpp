// No process routine allocates: an allocation interceptor counts every
// operator new and malloc made while a process call runs, with pin events
// applied inside the calls (generation 1) and between them (generation 2).
// The program's own allocation functions reach the libraries' calls on ELF
// targets only; on Windows each DLL keeps its own, and under
// AddressSanitizer the sanitizer owns them, so there the test is skipped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "host/ox_interfaces.h"
#include "tests/robustness/robustness_rig.h"

#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#define OX_COUNTS_ALLOCATIONS 1
#endif

#if OX_COUNTS_ALLOCATIONS

extern "C" void* __libc_malloc(std::size_t size);
extern "C" void* __libc_calloc(std::size_t count, std::size_t size);
extern "C" void* __libc_realloc(void* block, std::size_t size);

namespace {
bool counting = false;
int allocations = 0;

void* Counted(void* block) {
  if (counting) ++allocations;
  return block;
}
}  // namespace

#define OX_VISIBLE __attribute__((visibility("default")))
extern "C" OX_VISIBLE void* malloc(std::size_t size) { return Counted(__libc_malloc(size)); }
extern "C" OX_VISIBLE void* calloc(std::size_t count, std::size_t size) { return Counted(__libc_calloc(count, size)); }
extern "C" OX_VISIBLE void* realloc(void* block, std::size_t size) { return Counted(__libc_realloc(block, size)); }
OX_VISIBLE void* operator new(std::size_t size) {
  void* block = Counted(__libc_malloc(size ? size : 1));
  if (!block) throw std::bad_alloc();
  return block;
}
OX_VISIBLE void* operator new[](std::size_t size) { return operator new(size); }
OX_VISIBLE void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return Counted(__libc_malloc(size ? size : 1));
}
OX_VISIBLE void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return Counted(__libc_malloc(size ? size : 1));
}
OX_VISIBLE void operator delete(void* block) noexcept { std::free(block); }
OX_VISIBLE void operator delete[](void* block) noexcept { std::free(block); }
OX_VISIBLE void operator delete(void* block, std::size_t) noexcept { std::free(block); }
OX_VISIBLE void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

#endif

namespace oxtest {
namespace {

#if OX_COUNTS_ALLOCATIONS

// Process calls of random lengths, each counted, with a pin change before
// each; `shape` puts the module into the routine under test first.
int AllocationsWhileProcessing(Library library, void (*shape)(DrivenInstance&)) {
  auto instance = NewInstance(library, 512);
  OpenAt(*instance, 48000.0f);
  SetWorkingControls(*instance);
  shape(*instance);
  Noise noise(11);
  allocations = 0;
  for (int call = 0; call < 200; ++call) {
    if (instance->position() >= instance->capacity()) ProcessNoiseBlock(*instance, noise, 1);
    if (call % 3 == 0) SetSample(*instance, SampleInputs(*instance).back(), noise.Next());
    const int32_t count = 1 + static_cast<int32_t>(noise.Bits() % (instance->capacity() - instance->position()));
    counting = true;
    instance->Process(count);
    counting = false;
  }
  return allocations;
}

struct RoutineCase {
  const char* name;
  Library library;
  void (*shape)(DrivenInstance&);
};

const RoutineCase kRoutines[] = {
    {"drifting", Library::kDrift, [](DrivenInstance&) {}},
    {"idle", Library::kDrift, [](DrivenInstance& i) { SetChoice(i, drift_pin::kActive, 0); }},
    {"chorus", Library::kChorus, [](DrivenInstance&) {}},
    {"external", Library::kChorus, [](DrivenInstance& i) { SetChoice(i, chorus_pin::kModulationMode, 1); }},
    {"bypass", Library::kChorus, [](DrivenInstance& i) { SetChoice(i, chorus_pin::kOnOff, 1); }},
    {"silence then nothing", Library::kChorus,
     [](DrivenInstance& i) {
       SetSample(i, chorus_pin::kInL, 0.0f);
       SetSample(i, chorus_pin::kInR, 0.0f);
     }},
};

TEST(ProcessAllocationTest, NoRoutineAllocates) {
  for (const RoutineCase& routine : kRoutines) {
    EXPECT_EQ(AllocationsWhileProcessing(routine.library, routine.shape), 0) << routine.name;
  }
}

// The interceptor does see allocations: opening a chorus allocates its
// delay lines.
TEST(ProcessAllocationTest, TheInterceptorSeesTheLibrariesAllocations) {
  auto instance = NewInstance(Library::kChorus, 64);
  allocations = 0;
  counting = true;
  OpenAt(*instance, 44100.0f);
  counting = false;
  EXPECT_GE(allocations, 2);
}

#else

TEST(ProcessAllocationTest, NoRoutineAllocates) {
  GTEST_SKIP() << "the libraries' allocations cannot be intercepted from the program here "
                  "(Windows DLLs keep their own allocator; the sanitizers own it in their builds)";
}

#endif

}  // namespace
}  // namespace oxtest
