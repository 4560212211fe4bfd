// Allocation failure on demand. The test program's operator new counts the allocations made
// while a failure is armed and throws std::bad_alloc from the chosen one on, as a process
// that has run out of memory does. Disarmed (the default) it only allocates.
#ifndef STIMFORGE_TESTS_ROBUSTNESS_FAILING_ALLOCATOR_H_
#define STIMFORGE_TESTS_ROBUSTNESS_FAILING_ALLOCATOR_H_

#include <cstddef>

namespace stimforge::testing {

enum class FailureMode {
  kFromThenOn,  // the chosen allocation and every later one fail (memory has run out)
  kOnlyThat,    // only the chosen allocation fails
};

// Arms a failure of the allocation numbered `index` (from 0, counted from now) and, in
// kFromThenOn, of all after it. Requires: no failure armed.
void armAllocationFailure(size_t index, FailureMode mode);

// Disarms. Returns whether an allocation was made to fail since armAllocationFailure.
bool disarmAllocationFailure();

// While one exists, allocations are neither counted nor made to fail: the code that runs
// then (the fake host, the test itself) is not under test.
class AllocationFailureSuspended {
 public:
  AllocationFailureSuspended();
  ~AllocationFailureSuspended();
  AllocationFailureSuspended(const AllocationFailureSuspended&) = delete;
  AllocationFailureSuspended& operator=(const AllocationFailureSuspended&) = delete;
};

// Puts a layer in front of every host entry point of the current table that suspends the
// failure while the host runs; restores the table when destroyed. Requires: the table
// installed (a FakeHost) for the whole life of this object.
class HostCallsAllocateFreely {
 public:
  HostCallsAllocateFreely();
  ~HostCallsAllocateFreely();
  HostCallsAllocateFreely(const HostCallsAllocateFreely&) = delete;
  HostCallsAllocateFreely& operator=(const HostCallsAllocateFreely&) = delete;
};

}  // namespace stimforge::testing

#endif  // STIMFORGE_TESTS_ROBUSTNESS_FAILING_ALLOCATOR_H_
