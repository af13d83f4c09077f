// Which signal each of the two channel engines processes, and how the two outputs are formed.
#pragma once

#include "engine/ChannelEngine.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace calderine {

// The values of the StereoMode parameter.
enum class StereoMode : std::int32_t { Mono = 0, Stereo = 1, MidSide = 2, Mid = 3, Side = 4 };

class StereoRouter {
public:
    static constexpr std::int32_t kDefaultMode = static_cast<std::int32_t>(StereoMode::Stereo);

    // Both engines built for 44100 Hz. Throws std::bad_alloc.
    StereoRouter() = default;

    // Audio thread: count stereo samples in, replacing the two channels in place, delayed by
    // latency(). Mid and side are halved on the way in and summed/differenced on the way out, so
    // transparent engines give the input back. The half that "M" and "S" leave unprocessed goes
    // through the idle engine's delay line, so it stays aligned with the processed half. The
    // engines run a segment at a time, each segment ending where the next frame work is due (a
    // frame's completion or a stage of its deferred render), and both engines' frame work follows
    // the segment that reaches it (in "Stereo" and "M/S" they reach it together); the results do
    // not depend on how a signal is split into calls.
    void processBlock(double* left, double* right, std::size_t count) noexcept;

    // Every setting reaches both engines, engine 0 first.
    template <typename Operation>
    void forEachEngine(Operation&& operation) {
        for (ChannelEngine& engine : engines) {
            operation(engine);
        }
    }

    void reset() noexcept;

    // Both engines are rebuilt for sampleRate (Hz) or, if anything throws, neither is.
    void setSampleRate(double sampleRate);

    std::uint32_t latency() const noexcept { return engines[0].latency(); }

    std::array<ChannelEngine, 2> engines;
    std::int32_t mode = kDefaultMode; // a StereoMode value, 0..4
};

} // namespace calderine
