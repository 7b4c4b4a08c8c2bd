// The global allocation functions of the sweep executable. They allocate as the usual ones do,
// except while a sweep has armed the guard: then a request above the limit is refused with
// std::bad_alloc before anything is allocated, so that a call asking for gigabytes is a finding
// and not a machine out of memory. They also count the bytes of the blocks alive. The allocator
// of the sanitizers (when built with them) sees every block through malloc and free.
#include <execinfo.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "SweepSupport.h"

namespace {

bool gArmed = false;
std::size_t gLimit = 0;
std::size_t gRefusedBytes = 0;
std::atomic<long long> gLiveBytes{0};
void* gFrames[32];
int gFrameCount = 0;

void* Allocate(std::size_t size) {
    if (gArmed && size > gLimit) {
        if (size > gRefusedBytes) {
            gRefusedBytes = size;
            gFrameCount = backtrace(gFrames, 32);
        }
        throw std::bad_alloc();
    }
    if (void* block = std::malloc(size ? size : 1)) {
        gLiveBytes += static_cast<long long>(malloc_usable_size(block));
        return block;
    }
    throw std::bad_alloc();
}

void Free(void* block) {
    if (block) gLiveBytes -= static_cast<long long>(malloc_usable_size(block));
    std::free(block);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* block) noexcept { Free(block); }
void operator delete[](void* block) noexcept { Free(block); }
void operator delete(void* block, std::size_t) noexcept { Free(block); }
void operator delete[](void* block, std::size_t) noexcept { Free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Free(block); }

namespace bmtest::sweep {

void ArmAllocationGuard(std::size_t limit) {
    static bool warmed = false;
    if (!warmed) {
        void* frame[1];
        backtrace(frame, 1);  // loads the unwinder outside of any refused request
        warmed = true;
    }
    gLimit = limit;
    gRefusedBytes = 0;
    gFrameCount = 0;
    gArmed = true;
}

void DisarmAllocationGuard() { gArmed = false; }

long long LiveBytes() { return gLiveBytes; }

bool TakeRefusedAllocation(RefusedAllocation* out) {
    if (gRefusedBytes == 0) return false;
    out->bytes = gRefusedBytes;
    out->stack.clear();
    char** names = backtrace_symbols(gFrames, gFrameCount);
    for (int i = 0; names && i < gFrameCount; ++i) out->stack += std::string(names[i]) + "\n";
    std::free(names);
    gRefusedBytes = 0;
    return true;
}

}  // namespace bmtest::sweep
