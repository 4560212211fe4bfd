#include "failing_allocator.h"

#include <cstdlib>
#include <new>

#include "host/host_api.h"

namespace stimforge::testing {
namespace {

// One thread runs the plug-in, as in the host; gtest's own threads allocate nothing here.
bool gArmed = false;
int gSuspended = 0;
size_t gCount = 0;
size_t gFailAt = 0;
FailureMode gMode = FailureMode::kFromThenOn;
bool gFailed = false;

bool shouldFail() {
  if (!gArmed || gSuspended > 0)
    return false;
  const size_t index = gCount++;
  const bool fail = gMode == FailureMode::kFromThenOn ? index >= gFailAt : index == gFailAt;
  gFailed = gFailed || fail;
  return fail;
}

void* allocate(size_t size) {
  if (shouldFail())
    throw std::bad_alloc();
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr)
    throw std::bad_alloc();
  return p;
}

HostApi gInner;

// A host entry point behind the layer: the same call with the failure suspended.
template <typename Fn>
struct Suspending;

template <typename R, typename... A>
struct Suspending<R (*)(A...)> {
  template <R (*HostApi::*Entry)(A...)>
  static R call(A... args) {
    AllocationFailureSuspended suspended;
    return (gInner.*Entry)(args...);
  }
};

}  // namespace

void armAllocationFailure(size_t index, FailureMode mode) {
  gCount = 0;
  gFailAt = index;
  gMode = mode;
  gFailed = false;
  gArmed = true;
}

bool disarmAllocationFailure() {
  gArmed = false;
  return gFailed;
}

AllocationFailureSuspended::AllocationFailureSuspended() {
  ++gSuspended;
}

AllocationFailureSuspended::~AllocationFailureSuspended() {
  --gSuspended;
}

HostCallsAllocateFreely::HostCallsAllocateFreely() {
  gInner = hostApi();
  HostApi api = gInner;
#define HOST_FN(name, result, params) \
  if (api.name != nullptr)            \
    api.name = &Suspending<decltype(api.name)>::template call<&HostApi::name>;
#define HOST_SLOT(name)
#include "host/host_api_list.inc"
#undef HOST_FN
#undef HOST_SLOT
  setHostApi(api);
}

HostCallsAllocateFreely::~HostCallsAllocateFreely() {
  setHostApi(gInner);
}

}  // namespace stimforge::testing

// The test program's allocation functions, every form that a sanitizer's runtime would
// otherwise supply, so that what one allocates the other frees (the aligned forms are left
// to the standard library: the plug-in does not use them).
void* operator new(size_t size) {
  return stimforge::testing::allocate(size);
}
void* operator new[](size_t size) {
  return stimforge::testing::allocate(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return stimforge::testing::allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  try {
    return stimforge::testing::allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
  std::free(p);
}
