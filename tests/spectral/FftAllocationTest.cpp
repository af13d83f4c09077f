// The transform runs on the audio thread: given a work array it must not touch the heap. Counts
// every allocation made through the global operator new, which this binary replaces (hence a
// binary of its own).

#include "spectral/AlignedBuffer.h"
#include "spectral/Fft.h"
#include "tests/RawAllocation.h"

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>

namespace {
std::atomic<long> allocationCount{0};

void* allocate(std::size_t size, std::size_t alignment) {
    allocationCount.fetch_add(1, std::memory_order_relaxed);
    if (void* p = calderine::test::rawAllocate(size, alignment)) {
        return p;
    }
    throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t size) {
    return allocate(size, alignof(std::max_align_t));
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return allocate(size, static_cast<std::size_t>(alignment));
}
void operator delete(void* p) noexcept {
    calderine::test::rawRelease(p);
}
void operator delete(void* p, std::size_t) noexcept {
    calderine::test::rawRelease(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    calderine::test::rawRelease(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    calderine::test::rawRelease(p);
}

namespace calderine {
namespace {

long allocationsDuring(const auto& action) {
    const long before = allocationCount.load();
    action();
    return allocationCount.load() - before;
}

TEST(FftAllocation, TransformWithWorkArrayAllocatesNothing) {
    for (const int n : {480, 2304, 4800, 19200}) {
        const FftPlanPtr plan(createFftPlan(n));
        AlignedBuffer input(n);
        AlignedBuffer output(n);
        AlignedBuffer work(n);
        for (const FftDirection direction : {FftDirection::Forward, FftDirection::Backward}) {
            for (const bool ordered : {false, true}) {
                EXPECT_EQ(allocationsDuring([&] {
                              fftTransform(*plan, input.data(), output.data(), work.data(),
                                           direction, ordered);
                              fftTransform(*plan, output.data(), output.data(), work.data(),
                                           direction, ordered);
                          }),
                          0)
                    << "N=" << n;
            }
        }
    }
}

TEST(FftAllocation, SmallTransformWithoutWorkArrayAllocatesNothing) {
    const FftPlanPtr plan(createFftPlan(960));
    AlignedBuffer input(960);
    AlignedBuffer output(960);
    EXPECT_EQ(allocationsDuring([&] {
                  fftTransform(*plan, input.data(), output.data(), nullptr, FftDirection::Forward,
                               true);
              }),
              0);
}

TEST(FftAllocation, CountingSeesAllocations) {
    // Guards the two tests above against a replacement that never counts.
    EXPECT_GE(allocationsDuring([] { AlignedBuffer buffer(16); }), 1);
    EXPECT_GE(allocationsDuring([] { FftPlanPtr plan(createFftPlan(32)); }), 2);
}

} // namespace
} // namespace calderine
