#include "simd/AlignedBuffer.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <utility>

namespace calderine {
namespace {

bool isAligned(const double* p) {
    return reinterpret_cast<std::uintptr_t>(p) % AlignedBuffer::alignment == 0;
}

TEST(AlignedBuffer, IsAlignedAndZeroFilledForEverySize) {
    for (std::size_t count : {1u, 3u, 8u, 97u, 4608u, 19200u}) {
        AlignedBuffer buffer(count);
        ASSERT_EQ(buffer.size(), count);
        ASSERT_NE(buffer.data(), nullptr);
        EXPECT_TRUE(isAligned(buffer.data())) << count;
        for (std::size_t i = 0; i < count; ++i) {
            ASSERT_EQ(buffer[i], 0.0) << count << " at " << i;
        }
    }
}

TEST(AlignedBuffer, DefaultAndEmptyBuffersHoldNothing) {
    AlignedBuffer none;
    EXPECT_EQ(none.size(), 0u);
    EXPECT_EQ(none.data(), nullptr);
    AlignedBuffer empty(0);
    EXPECT_EQ(empty.size(), 0u);
}

TEST(AlignedBuffer, MoveTransfersOwnershipAndEmptiesTheSource) {
    AlignedBuffer a(16);
    a[5] = 2.5;
    const double* storage = a.data();

    AlignedBuffer b(std::move(a));
    EXPECT_EQ(b.data(), storage);
    EXPECT_EQ(b.size(), 16u);
    EXPECT_EQ(b[5], 2.5);
    EXPECT_EQ(a.data(), nullptr); // NOLINT(bugprone-use-after-move): the moved-from state is the
    EXPECT_EQ(a.size(), 0u);      // contract under test

    AlignedBuffer c(4);
    c = std::move(b);
    EXPECT_EQ(c.data(), storage);
    EXPECT_EQ(c.size(), 16u);
    EXPECT_EQ(b.data(), nullptr);
}

TEST(AlignedBuffer, ImpossibleSizeThrowsBadAlloc) {
    EXPECT_THROW(AlignedBuffer(static_cast<std::size_t>(-1)), std::bad_alloc);
}

} // namespace
} // namespace calderine
