#include "simd/AlignedBuffer.h"

#include <algorithm>
#include <limits>
#include <new>
#include <utility>

namespace calderine {

namespace {

double* allocateZeroed(std::size_t count) {
    if (count == 0) {
        return nullptr;
    }
    if (count > std::numeric_limits<std::size_t>::max() / sizeof(double)) {
        throw std::bad_alloc();
    }
    auto* values = static_cast<double*>(
        ::operator new (count * sizeof(double), std::align_val_t{AlignedBuffer::alignment}));
    std::fill_n(values, count, 0.0);
    return values;
}

void release(double* values) noexcept {
    if (values != nullptr) {
        ::operator delete (values, std::align_val_t{AlignedBuffer::alignment});
    }
}

} // namespace

AlignedBuffer::AlignedBuffer(std::size_t count) : values(allocateZeroed(count)), count(count) {}

AlignedBuffer::~AlignedBuffer() {
    release(values);
}

AlignedBuffer::AlignedBuffer(AlignedBuffer&& other) noexcept
    : values(std::exchange(other.values, nullptr)), count(std::exchange(other.count, 0)) {}

AlignedBuffer& AlignedBuffer::operator=(AlignedBuffer&& other) noexcept {
    if (this != &other) {
        release(values);
        values = std::exchange(other.values, nullptr);
        count = std::exchange(other.count, 0);
    }
    return *this;
}

} // namespace calderine
