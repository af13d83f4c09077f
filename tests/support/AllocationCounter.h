// Heap accounting for the test binaries that must show that code never allocates. Linking
// tests/AllocationCounter.cpp into a binary replaces its global allocation functions, so every
// allocation of the process passes through the counter.
#pragma once

#include <cstddef>

namespace calderine::test {

struct AllocationTally {
    std::size_t allocations = 0; // blocks taken while counting
    long long liveBlocks = 0;    // blocks taken minus blocks given back while counting
};

// Restarts the tally at zero and counts until stopCountingAllocations.
void startCountingAllocations() noexcept;
AllocationTally stopCountingAllocations() noexcept;
// The tally so far, counting or not.
AllocationTally currentAllocationTally() noexcept;

template <typename Action>
AllocationTally allocationsDuring(Action&& action) {
    startCountingAllocations();
    action();
    return stopCountingAllocations();
}

} // namespace calderine::test
