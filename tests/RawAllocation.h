// Heap blocks for the test binaries that replace the global allocation functions: the
// replacements cannot use operator new themselves. The Windows C runtime has no aligned_alloc,
// and its aligned blocks need their own release function, so there every block, aligned or
// not, comes from the aligned allocator and goes back to it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#if defined(_WIN32)
#include <malloc.h>
#endif

namespace calderine::test {

// A block of at least `size` bytes (one for size 0) aligned to `alignment`, a power of two;
// null when the heap is exhausted.
inline void* rawAllocate(std::size_t size, std::size_t alignment) noexcept {
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

// Releases a block from rawAllocate; null is ignored.
inline void rawRelease(void* memory) noexcept {
#if defined(_WIN32)
    _aligned_free(memory);
#else
    std::free(memory);
#endif
}

} // namespace calderine::test
