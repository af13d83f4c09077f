#include "tests/support/AllocationCounter.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#if defined(_WIN32)
#include <malloc.h>
#endif

namespace calderine::test {
namespace {

std::atomic<bool> counting{false};
std::atomic<std::size_t> allocations{0};
std::atomic<long long> liveBlocks{0};

// The replacements cannot use operator new themselves. The Windows C runtime has no
// aligned_alloc, and its aligned blocks need their own release function, so there every block,
// aligned or not, comes from the aligned allocator and goes back to it.
void* rawAllocate(std::size_t size, std::size_t alignment) noexcept {
    const std::size_t bytes = std::max<std::size_t>(size, 1);
#if defined(_WIN32)
    return _aligned_malloc(bytes, std::max(alignment, alignof(std::max_align_t)));
#else
    if (alignment <= alignof(std::max_align_t)) {
        return std::malloc(bytes);
    }
    // aligned_alloc wants a multiple of the alignment.
    return std::aligned_alloc(alignment, (bytes + alignment - 1) / alignment * alignment);
#endif
}

void rawRelease(void* memory) noexcept {
#if defined(_WIN32)
    _aligned_free(memory);
#else
    std::free(memory);
#endif
}

} // namespace

void startCountingAllocations() noexcept {
    allocations = 0;
    liveBlocks = 0;
    counting = true;
}

AllocationTally stopCountingAllocations() noexcept {
    counting = false;
    return currentAllocationTally();
}

AllocationTally currentAllocationTally() noexcept {
    return {allocations.load(), liveBlocks.load()};
}

namespace {

void* allocate(std::size_t size, std::size_t alignment) {
    if (counting.load(std::memory_order_relaxed)) {
        allocations.fetch_add(1, std::memory_order_relaxed);
        liveBlocks.fetch_add(1, std::memory_order_relaxed);
    }
    void* memory = rawAllocate(size, alignment);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    return memory;
}

void release(void* memory) noexcept {
    if (memory != nullptr && counting.load(std::memory_order_relaxed)) {
        liveBlocks.fetch_sub(1, std::memory_order_relaxed);
    }
    rawRelease(memory);
}

} // namespace
} // namespace calderine::test

using calderine::test::allocate;
using calderine::test::release;

void* operator new(std::size_t size) {
    return allocate(size, alignof(std::max_align_t));
}
void* operator new[](std::size_t size) {
    return allocate(size, alignof(std::max_align_t));
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return allocate(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return allocate(size, static_cast<std::size_t>(alignment));
}
void operator delete(void* memory) noexcept {
    release(memory);
}
void operator delete[](void* memory) noexcept {
    release(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    release(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    release(memory);
}
void operator delete(void* memory, std::align_val_t) noexcept {
    release(memory);
}
void operator delete[](void* memory, std::align_val_t) noexcept {
    release(memory);
}
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept {
    release(memory);
}
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept {
    release(memory);
}
