// The LV2 adapter: one instance per `instantiate`, its ports connected by the host, over the
// format-neutral effect core.
#pragma once

#include "effect/EffectCore.h"
#include "lv2/PortLayout.h"

#include <array>
#include <cstdint>
#include <memory>

namespace calderine::lv2 {

// LV2's threading classes: instantiation (create, activate, deactivate, destruction) never
// overlaps audio (connect, run) on the same instance, so the core's life-cycle thread and audio
// thread are whichever thread the host uses for each class.
class Lv2Plugin {
public:
    // Instantiation class: an instance serving rate (Hz), suspended, or null for a rate the
    // effect does not serve or when memory runs out.
    static std::unique_ptr<Lv2Plugin> create(double rate) noexcept;

    // Audio class, any state: where the host keeps the port's value or samples from now on;
    // null disconnects it. Unknown ports are ignored.
    void connect(std::uint32_t port, void* location) noexcept;
    // Instantiation class, deactivated: clears the signal memory and starts processing.
    void activate() noexcept;
    // Instantiation class, activated.
    void deactivate() noexcept;
    // Audio class: takes control values that changed since the last call, writes the latency
    // port and replaces count frames. Audio ports may share memory; count may be 0.
    void run(std::uint32_t count) noexcept;

    const EffectCore& core() const noexcept { return effect; }

private:
    Lv2Plugin() = default;
    void takeControlChanges() noexcept;

    EffectCore effect;
    std::array<const float*, 2> inputs{};
    std::array<float*, 2> outputs{};
    std::array<const float*, kParameterCount> controls{};
    float* latencyPort = nullptr;
    // The control values last handed to the core, compared bit for bit; `known` is false until
    // the first value of a port arrives, so the host's first values are always taken.
    std::array<std::uint32_t, kParameterCount> takenBits{};
    std::array<bool, kParameterCount> known{};
};

} // namespace calderine::lv2
