// The effect itself, apart from any plug-in format: its parameters, its two channel engines and
// the processing of stereo blocks. Format adapters translate their host's calls into these.
#pragma once

#include "effect/Parameter.h"
#include "effect/ParameterTable.h"
#include "effect/StereoRouter.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace calderine {

// Engine ownership: exactly one thread at a time touches the engines. While resumed that is the
// audio thread (in its processing calls); while suspended, the thread that drives the effect's
// life (in resume, setSampleRate and setAllNormalized). The setters, from any thread, only store
// the value and raise its changed flag; the owner applies pending changes (Parameter's
// hand-over) at the start of each block, or at once where it calls while suspended.
class EffectCore {
public:
    // Hz; the engines are built for it by their own constructors.
    static constexpr double kDefaultSampleRate = ChannelEngine::kDefaultSampleRate;
    // Hz. Outside, a new rate is refused and the effect stays as it was: below, the tilt
    // corners crowd the Nyquist frequency; above, the frames (50 ms) grow into megabytes with no
    // benefit to any real session.
    static constexpr double kMinSampleRate = 8000.0;
    static constexpr double kMaxSampleRate = 768000.0;

    // Any thread: suspended, built for kDefaultSampleRate with every parameter at its default
    // and applied. Throws std::bad_alloc.
    EffectCore();

    // Owner thread, resumed: hands the engines back to the thread that drives the life cycle.
    void suspend() noexcept;
    // Life-cycle thread, suspended: applies pending changes, clears all signal memory and hands
    // the engines to the audio thread.
    void resume() noexcept;
    // Owner thread, any state: clears all signal memory (the output restarts from silence, as
    // after resume) and changes nothing else.
    void reset() noexcept { router.reset(); }
    // Life-cycle thread, suspended: rebuilds both engines for rate (Hz) and applies pending
    // changes. False, with all left as it was, for a rate outside the served range (or NaN) or
    // when memory runs out.
    bool setSampleRate(double rate) noexcept;

    // Audio thread, resumed (or suspended, for offline processing that never overlaps the
    // life-cycle calls): applies pending changes, then replaces count samples per channel. The
    // input and output channels may be the same memory; null channels or count <= 0 process
    // nothing.
    void process(const float* const* inputs, float* const* outputs, std::int32_t count) noexcept;
    // Audio thread, as the float overload.
    void process(const double* const* inputs, double* const* outputs, std::int32_t count) noexcept;

    // Any thread, any state: stores the host's normalised value ([0, 1]; outside, and NaN,
    // clamped) and marks it changed only; it sounds from the next block. index < kParameterCount.
    void setNormalized(std::size_t index, float normalized) noexcept;
    // Any thread, any state: stores a plain value (dB, %, the mode index, 0/1) clamped to the
    // range (NaN gives the minimum) and rounded half up to the decimals its display shows.
    void setPlain(std::size_t index, double plain) noexcept;
    // Any thread, any state: the stored value, new values included before they are applied.
    float normalized(std::size_t index) const noexcept;
    // Any thread, any state: the stored value in the parameter's own unit.
    double plain(std::size_t index) const noexcept { return parameters[index].current(); }
    // Any thread, any state: the stored value's text, at most Parameter::kDisplayLength
    // characters and a terminating zero.
    void displayText(std::size_t index, char* text) const noexcept;
    // Life-cycle thread, any state: stores every value; suspended, applies them at once,
    // resumed, the next block does.
    void setAllNormalized(const std::array<float, kParameterCount>& values) noexcept;

    // Any thread, any state: the descriptor (names, unit, range, texts) and the stored value.
    const Parameter& parameter(std::size_t index) const noexcept { return parameters[index]; }
    // Life-cycle thread, any state: samples by which the output follows the input at the rate.
    std::uint32_t latency() const noexcept { return router.latency(); }
    // Life-cycle thread, any state: Hz the engines and filters are built for.
    double sampleRate() const noexcept { return rate; }
    // Any thread, any state.
    bool isResumed() const noexcept { return resumed.load(std::memory_order_acquire); }
    // Read access for tests and diagnostics.
    const StereoRouter& stereoRouter() const noexcept { return router; }

private:
    // Turns every parameter whose `changed` flag is set into engine settings, in index order.
    void applyParameterChanges() noexcept;
    void applyParameter(std::size_t index, const Parameter& parameter) noexcept;
    template <typename Sample>
    void processBlock(const Sample* const* inputs, Sample* const* outputs,
                      std::int32_t count) noexcept;

    // Declared before the parameters, so the engines are built first and destroyed last.
    StereoRouter router;
    std::array<Parameter, kParameterCount> parameters;
    double rate = kDefaultSampleRate; // only ever set together with the engines
    // Written by the life-cycle thread; readable from any thread (isResumed).
    std::atomic<bool> resumed{false};
};

} // namespace calderine
