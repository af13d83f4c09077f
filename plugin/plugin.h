// The effect class that a VST 2.4 host drives: a stereo tone/noise shaper, as a thin adapter
// over the format-neutral EffectCore, which owns parameters, engines and processing.
#pragma once

#include "effect/EffectCore.h"
#include "host/AudioEffectX.h"
#include "host/VstConstants.h"
#include "plugin/PublicFacts.h"

#include <array>
#include <cstdint>

namespace calderine {

// Threads as EffectCore's: the host's main thread drives the life cycle (suspend, resume,
// setSampleRate, setProgram), the audio thread the processing calls; setParameter may come from
// any thread and only stores the value.
class plugin : public AudioEffectX {
public:
    static constexpr std::int32_t kNumPrograms = 1;
    static constexpr std::int32_t kNumParameters = static_cast<std::int32_t>(kParameterCount);
    static constexpr std::int32_t kNumChannels = 2; // inputs and outputs alike
    static constexpr std::int32_t kUniqueId = kCalderineUniqueId;
    // Both replacing precisions, and (deprecated) mono input accepted.
    static constexpr std::int32_t kFlags =
        effFlagsCanDoubleReplacing | effFlagsCanReplacing | effFlagsCanMono;
    // The project's version (set once, in CMake) as hosts read it: 1.0.10 is 1010.
    static constexpr std::int32_t kVendorVersion =
        CALDERINE_VERSION_MAJOR * 1000 + CALDERINE_VERSION_MINOR * 100 + CALDERINE_VERSION_PATCH;
    static_assert(
        CALDERINE_VERSION_MINOR < 10 && CALDERINE_VERSION_PATCH < 100,
        "the vendor version number has one digit for the minor version, two for the patch");
    static constexpr const char* kEffectName = "calderine";
    static constexpr const char* kVendorName = "pemberlow";
    static constexpr const char* kProductName = "calderine";
    static constexpr const char* kDefaultProgramName = "Default";
    // Hz; the engines are built for it by their own constructors, and the base class reports it.
    static constexpr double kDefaultSampleRate = EffectCore::kDefaultSampleRate;
    static_assert(kDefaultSampleRate == AudioEffect::kDefaultSampleRate);
    // Sample rates served, in Hz.
    static constexpr double kMinSampleRate = EffectCore::kMinSampleRate;
    static constexpr double kMaxSampleRate = EffectCore::kMaxSampleRate;

    // Entry point, any host thread: a new, independent instance, suspended, built for 44100 Hz
    // with every parameter at its default and applied. Throws std::bad_alloc.
    explicit plugin(audioMasterCallback audioMaster);
    // Main thread, suspended (effClose): no call may overlap it.
    ~plugin() override;

    // Main thread, resumed (effMainsChanged 0): hands the engines back to the main thread.
    void suspend() override;
    // Main thread, suspended (effMainsChanged 1): applies pending changes, clears all signal
    // memory and hands the engines to the audio thread.
    void resume() override;
    // Main thread, suspended: rebuilds both engines for the rate (Hz), updates the reported
    // latency and applies pending changes; a rate that cannot be served leaves all as it was.
    void setSampleRate(float rate) override;

    // Audio thread, resumed (or suspended, for hosts that process offline, never overlapping
    // the main thread's calls): applies pending changes, then replaces count samples per channel.
    void processReplacing(float** inputs, float** outputs, std::int32_t count) override;
    // Audio thread, as processReplacing.
    void processDoubleReplacing(double** inputs, double** outputs, std::int32_t count) override;

    // Any thread, any state: stores the value (normalised, [0, 1]) and marks it changed only;
    // it sounds from the next processing call, having reached the engines by then.
    void setParameter(std::int32_t index, float normalized) override;
    // Any thread, any state: the stored value, new values included before they are applied.
    float getParameter(std::int32_t index) override;

    // Main thread, suspended (applies at once) or resumed (the next processing call applies).
    void setProgram(std::int32_t program) override;
    // Main thread, any state: the current program's name.
    void setProgramName(char* name) override;
    // Main thread, any state.
    void getProgramName(char* name) override;

    // Any thread, any state: the unit of parameter `index`.
    void getParameterLabel(std::int32_t index, char* label) override;
    // Any thread, any state: the stored value's text, new values included.
    void getParameterDisplay(std::int32_t index, char* text) override;
    // Any thread, any state.
    void getParameterName(std::int32_t index, char* text) override;

    // Main thread, any state: identification (these four and getVendorVersion).
    bool getProgramNameIndexed(std::int32_t category, std::int32_t index, char* text) override;
    // Main thread, any state.
    bool getEffectName(char* name) override;
    // Main thread, any state.
    bool getVendorString(char* text) override;
    // Main thread, any state.
    bool getProductString(char* text) override;
    // Main thread, any state.
    std::int32_t getVendorVersion() override;

    // Read access for tests and diagnostics.
    const EffectCore& effectCore() const noexcept { return core; }
    const StereoRouter& stereoRouter() const noexcept { return core.stereoRouter(); }
    const Parameter& parameter(std::size_t index) const noexcept { return core.parameter(index); }
    // Hz the engines and filters are built for: the base's sampleRate, which is only ever set
    // together with the core's.
    double currentSampleRate() const noexcept { return sampleRate; }

private:
    void saveProgramValues() noexcept;
    // The core's index for a host index, or kParameterCount if there is no such parameter
    // (negative indices compare as huge unsigned ones).
    static std::size_t coreIndex(std::int32_t index) noexcept;

    // The current program is the base's curProgram, the sample rate the base's sampleRate.
    EffectCore core;
    std::array<std::array<char, kMaxProgramNameChars + 1>, kNumPrograms> programNames{};
    std::array<std::array<float, kParameterCount>, kNumPrograms> programValues{};
};

// The construction the exported entry point hands to createEffect; tests build instances
// in-process through it as well.
AudioEffect* createPluginInstance(audioMasterCallback audioMaster);

} // namespace calderine
