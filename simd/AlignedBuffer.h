#pragma once

#include <cstddef>

namespace calderine {

// Owning, move-only, zero-filled array of doubles whose first element sits on a 64-byte
// boundary, so that a transform's loads never straddle a cache line. Allocation happens only in
// the constructor; nothing else allocates, so the buffer is safe to use on the audio thread.
class AlignedBuffer {
public:
    static constexpr std::size_t alignment = 64;

    AlignedBuffer() noexcept = default;
    // Throws std::bad_alloc when the memory cannot be had (or count * sizeof(double) overflows).
    explicit AlignedBuffer(std::size_t count);
    ~AlignedBuffer();

    AlignedBuffer(const AlignedBuffer&) = delete;
    AlignedBuffer& operator=(const AlignedBuffer&) = delete;
    AlignedBuffer(AlignedBuffer&& other) noexcept;
    AlignedBuffer& operator=(AlignedBuffer&& other) noexcept;

    double* data() noexcept { return values; }
    const double* data() const noexcept { return values; }
    std::size_t size() const noexcept { return count; }

    double& operator[](std::size_t i) noexcept { return values[i]; }
    const double& operator[](std::size_t i) const noexcept { return values[i]; }

private:
    double* values = nullptr;
    std::size_t count = 0;
};

} // namespace calderine
