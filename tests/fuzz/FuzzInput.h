// Decoding of the fuzz input into the numbers a host hands the module. Each number starts with
// one selector byte: most selectors map to small or tabled values, where the interesting
// boundaries are, and the top few read raw bits, so that every value stays reachable. The input
// is read front to back and reads as zeros once exhausted: any input, however short or
// truncated by a mutation, is a valid action sequence.
#pragma once

#include <array>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace calderine::fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) noexcept : data(data), size(size) {}

    bool exhausted() const noexcept { return position >= size; }

    std::uint8_t byte() noexcept { return position < size ? data[position++] : 0; }

    template <typename T>
    T raw() noexcept {
        std::array<std::uint8_t, sizeof(T)> bytes{};
        for (auto& b : bytes) {
            b = byte();
        }
        return std::bit_cast<T>(bytes);
    }

    // Parameter, program and channel indices: mostly around the valid range, sometimes the
    // extremes of the type, sometimes anything.
    std::int32_t index() noexcept {
        const std::uint8_t selector = byte();
        if (selector < 0xE0) {
            return static_cast<std::int32_t>(selector % 24) - 4;
        }
        if (selector < 0xF0) {
            return kExtremeIndexes[selector % kExtremeIndexes.size()];
        }
        return raw<std::int32_t>();
    }

    // The pointer-sized `value` argument.
    std::intptr_t value() noexcept {
        const std::uint8_t selector = byte();
        if (selector < 0xC0) {
            return static_cast<std::intptr_t>(selector % 24) - 4;
        }
        if (selector < 0xE0) {
            return kExtremeValues[selector % kExtremeValues.size()];
        }
        if (selector < 0xF0) {
            return raw<std::uint16_t>();
        }
        return static_cast<std::intptr_t>(raw<std::int64_t>());
    }

    // A float as setParameter and the dispatcher's `opt` get it: special values and sample
    // rates from a table, an even grid over [0, 1], or raw bits (any NaN payload included).
    float anyFloat() noexcept {
        const std::uint8_t selector = byte();
        if (selector < kSpecialFloats.size()) {
            return kSpecialFloats[selector];
        }
        constexpr std::uint8_t kGridEnd = 0xE0;
        if (selector < kGridEnd) {
            constexpr auto kFirst = static_cast<std::uint8_t>(kSpecialFloats.size());
            return static_cast<float>(selector - kFirst) /
                   static_cast<float>(kGridEnd - 1 - kFirst);
        }
        return std::bit_cast<float>(raw<std::uint32_t>());
    }

    // A single sample a host might let through: non-numbers, overflowing and tiny magnitudes.
    double hostileSample() noexcept {
        const std::uint8_t selector = byte();
        if (selector < kHostileSamples.size()) {
            return kHostileSamples[selector];
        }
        return std::bit_cast<double>(raw<std::uint64_t>());
    }

    // Peak level of a generated signal, from silence and denormals up to the double range.
    double amplitude() noexcept { return kAmplitudes[byte() % kAmplitudes.size()]; }

private:
    static constexpr std::array<std::int32_t, 8> kExtremeIndexes = {
        std::numeric_limits<std::int32_t>::min(),
        std::numeric_limits<std::int32_t>::min() + 1,
        -65536,
        -1000,
        1000,
        65536,
        std::numeric_limits<std::int32_t>::max() - 1,
        std::numeric_limits<std::int32_t>::max()};

    static constexpr std::array<std::intptr_t, 12> kExtremeValues = {
        std::numeric_limits<std::intptr_t>::min(),
        std::numeric_limits<std::int32_t>::min(),
        -65536,
        -4096,
        64,
        4096,
        8192,
        65536,
        1 << 24,
        std::numeric_limits<std::int32_t>::max(),
        std::intptr_t{std::numeric_limits<std::int32_t>::max()} + 1,
        std::numeric_limits<std::intptr_t>::max()};

    static constexpr std::array<float, 40> kSpecialFloats = {
        0.0f,
        -0.0f,
        1.0f,
        -1.0f,
        0.5f,
        0.25f,
        0.75f,
        2.0f,
        1.0000001f,
        0.99999994f,
        -1e-30f,
        1e-30f,
        std::numeric_limits<float>::quiet_NaN(),
        -std::numeric_limits<float>::quiet_NaN(),
        std::numeric_limits<float>::signaling_NaN(),
        std::numeric_limits<float>::infinity(),
        -std::numeric_limits<float>::infinity(),
        std::numeric_limits<float>::denorm_min(),
        -std::numeric_limits<float>::denorm_min(),
        FLT_MIN,
        FLT_MAX,
        -FLT_MAX,
        1e30f,
        -44100.0f,
        8000.0f,
        7999.999f,
        11025.0f,
        22050.0f,
        44100.0f,
        48000.0f,
        88200.0f,
        96000.0f,
        176400.0f,
        192000.0f,
        384000.0f,
        768000.0f,
        768000.06f,
        1e6f,
        1e9f,
        1.0f / 3.0f};

    static constexpr std::array<double, 26> kHostileSamples = {
        std::numeric_limits<double>::quiet_NaN(),
        -std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::signaling_NaN(),
        std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(),
        DBL_MAX,
        -DBL_MAX,
        1e300,
        -1e300,
        1e151,
        1e150,
        -1e150,
        4e38, // above the float range: infinite once a float host has it
        FLT_MAX,
        -FLT_MAX,
        1e6,
        -1e6,
        1.0,
        -1.0,
        0.0,
        -0.0,
        std::numeric_limits<double>::denorm_min(),
        -std::numeric_limits<double>::denorm_min(),
        DBL_MIN,
        1e-310,
        1.4e-45 // the smallest float denormal
    };

    static constexpr std::array<double, 16> kAmplitudes = {
        0.0, 1.0,    0.5,     1e-3, 1e-20, 1e-310, 5e-324, 1e3,
        1e6, 1.01e6, FLT_MAX, 1e38, 1e150, 2e150,  1e300,  DBL_MAX};

    const std::uint8_t* data;
    std::size_t size;
    std::size_t position = 0;
};

} // namespace calderine::fuzz
