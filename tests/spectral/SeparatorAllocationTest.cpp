// The separator runs on the audio thread: after construction neither processSample (including
// the calls that analyse and render a frame) nor reset may touch the heap. This binary replaces
// the global allocation functions to count every allocation made while counting is armed.

#include "spectral/SpectralSeparator.h"
#include "tests/RawAllocation.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <new>
#include <random>

namespace {

using calderine::test::rawAllocate;
using calderine::test::rawRelease;

bool counting = false;
std::size_t allocations = 0;

void* allocate(std::size_t size, std::size_t alignment) {
    if (counting) {
        ++allocations;
    }
    void* memory = rawAllocate(size, alignment);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    return memory;
}

} // namespace

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
    rawRelease(memory);
}
void operator delete[](void* memory) noexcept {
    rawRelease(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    rawRelease(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    rawRelease(memory);
}
void operator delete(void* memory, std::align_val_t) noexcept {
    rawRelease(memory);
}
void operator delete[](void* memory, std::align_val_t) noexcept {
    rawRelease(memory);
}
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept {
    rawRelease(memory);
}
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept {
    rawRelease(memory);
}

namespace calderine {
namespace {

TEST(SeparatorAllocation, CountingSeesAllocations) {
    counting = true;
    allocations = 0;
    delete new double(1.0);
    auto* aligned = new (std::align_val_t{64}) double[8];
    operator delete[](aligned, std::align_val_t{64});
    counting = false;
    EXPECT_EQ(allocations, 2u);
}

TEST(SeparatorAllocation, ProcessingAndResetNeverAllocate) {
    for (const double rate : {44100.0, 48000.0}) {
        SpectralSeparator separator(static_cast<std::uint32_t>(std::ceil(0.05 * rate)), rate);
        const std::size_t n = separator.latency();
        std::mt19937_64 engine(7);
        std::normal_distribution<double> normal(0.0, 0.3);

        counting = true;
        allocations = 0;
        // Twelve frames per slot, through every slope setting the plugin can write.
        for (std::size_t t = 0; t < 12 * n; ++t) {
            separator.separationSlope = static_cast<double>(t % 5) * 0.25;
            separator.processSample(normal(engine) + std::sin(0.05 * static_cast<double>(t)));
        }
        separator.reset();
        for (std::size_t t = 0; t < 2 * n; ++t) {
            separator.processSample(normal(engine));
        }
        counting = false;
        EXPECT_EQ(allocations, 0u) << rate << " Hz";
    }
}

} // namespace
} // namespace calderine
