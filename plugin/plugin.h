// The effect class that the host drives: a stereo tone/noise shaper.
#pragma once

#include "host/AudioEffectX.h"
#include "host/VstConstants.h"
#include "plugin/Parameter.h"
#include "plugin/ParameterTable.h"
#include "plugin/StereoRouter.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace calderine {

class plugin : public AudioEffectX {
public:
    static constexpr std::int32_t kNumPrograms = 1;
    static constexpr std::int32_t kNumParameters = static_cast<std::int32_t>(kParameterCount);
    static constexpr std::int32_t kNumChannels = 2; // inputs and outputs alike
    static constexpr std::int32_t kUniqueId = fourCharCode("CLDR");
    // Both replacing precisions, and (deprecated) mono input accepted.
    static constexpr std::int32_t kFlags =
        effFlagsCanDoubleReplacing | effFlagsCanReplacing | effFlagsCanMono;
    static constexpr std::int32_t kVendorVersion = 1010;
    static constexpr const char* kEffectName = "calderine";
    static constexpr const char* kVendorName = "pemberlow";
    static constexpr const char* kProductName = "calderine";
    static constexpr const char* kDefaultProgramName = "Default";
    // Hz; the engines are built for it by their own constructors, and the base class reports it.
    static constexpr double kDefaultSampleRate = ChannelEngine::kDefaultSampleRate;
    static_assert(kDefaultSampleRate == AudioEffect::kDefaultSampleRate);
    // Sample rates served, in Hz. Outside, a new rate is ignored and the effect stays as it
    // was: below, the tilt corners crowd the Nyquist frequency; above, the frames (50 ms)
    // grow into megabytes with no benefit to any real session.
    static constexpr double kMinSampleRate = 8000.0;
    static constexpr double kMaxSampleRate = 768000.0;

    // Entry point, any host thread: a new, independent instance, suspended, built for 44100 Hz
    // with every parameter at its default and applied. Throws std::bad_alloc.
    explicit plugin(audioMasterCallback audioMaster);
    // effClose, host thread, suspended.
    ~plugin() override;

    // Host thread: effMainsChanged. resume() clears all signal memory and defers parameter
    // changes to the audio thread until suspend().
    void suspend() override;
    void resume() override;
    // Host thread, suspended: rebuilds both engines for the rate (Hz) and updates the
    // reported latency; a rate that cannot be served leaves everything as it was.
    void setSampleRate(float rate) override;

    // Audio thread, resumed (or suspended, for hosts that process offline): applies pending
    // parameter changes, then replaces count samples of both output channels.
    void processReplacing(float** inputs, float** outputs, std::int32_t count) override;
    void processDoubleReplacing(double** inputs, double** outputs, std::int32_t count) override;

    // Any host thread, any state: normalised values in [0, 1]. While suspended the change
    // reaches the engines at once, while resumed at the start of the next processing call.
    void setParameter(std::int32_t index, float normalized) override;
    float getParameter(std::int32_t index) override;

    // Host thread, suspended: program change and the program's name.
    void setProgram(std::int32_t program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;

    // Host thread, any state: texts of parameter `index` into host buffers.
    void getParameterLabel(std::int32_t index, char* label) override;
    void getParameterDisplay(std::int32_t index, char* text) override;
    void getParameterName(std::int32_t index, char* text) override;

    // Host thread, any state: identification.
    bool getProgramNameIndexed(std::int32_t category, std::int32_t index, char* text) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    std::int32_t getVendorVersion() override;

    // Read access for tests and diagnostics.
    const StereoRouter& stereoRouter() const noexcept { return router; }
    const Parameter& parameter(std::size_t index) const noexcept { return parameters[index]; }
    // Hz the engines and filters are built for: the base's sampleRate, which is only ever set
    // together with the engines.
    double currentSampleRate() const noexcept { return sampleRate; }
    bool isResumed() const noexcept { return resumed.load(std::memory_order_acquire); }

private:
    // Turns every parameter whose `changed` flag is set into engine settings, in index order.
    void applyParameterChanges() noexcept;
    void applyParameter(std::size_t index, const Parameter& parameter) noexcept;
    void saveProgramValues() noexcept;
    template <typename Sample>
    void processBlock(Sample** inputs, Sample** outputs, std::int32_t count) noexcept;
    // Parameter `index` if it exists (negative indices compare as huge unsigned ones).
    Parameter* findParameter(std::int32_t index) noexcept;

    // The current program is the base's curProgram, the sample rate the base's sampleRate.
    // Declared before the parameters, so the engines are built first and destroyed last.
    StereoRouter router;
    std::array<Parameter, kParameterCount> parameters;
    std::array<std::array<char, kMaxProgramNameChars + 1>, kNumPrograms> programNames{};
    std::array<std::array<float, kParameterCount>, kNumPrograms> programValues{};
    // Read by setParameter on whichever thread the host uses for automation.
    std::atomic<bool> resumed{false};
    std::atomic<bool> loadingProgram{false};
};

// The construction the exported entry point hands to createEffect; tests build instances
// in-process through it as well.
AudioEffect* createPluginInstance(audioMasterCallback audioMaster);

} // namespace calderine
