#include "lv2/Lv2Plugin.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <new>

namespace calderine::lv2 {

std::unique_ptr<Lv2Plugin> Lv2Plugin::create(double rate) noexcept {
    std::unique_ptr<Lv2Plugin> plugin;
    try {
        plugin.reset(new Lv2Plugin);
    } catch (const std::bad_alloc&) {
        return nullptr; // the engines' buffers did not fit
    }
    if (!plugin->effect.setSampleRate(rate)) {
        return nullptr;
    }
    return plugin;
}

void Lv2Plugin::connect(std::uint32_t port, void* location) noexcept {
    auto* samples = static_cast<float*>(location);
    if (port == port::inLeft || port == port::inRight) {
        inputs[port - port::inLeft] = samples;
    } else if (port == port::outLeft || port == port::outRight) {
        outputs[port - port::outLeft] = samples;
    } else if (port >= port::firstControl && port < port::latency) {
        controls[port - port::firstControl] = samples;
    } else if (port == port::latency) {
        latencyPort = samples;
    }
}

void Lv2Plugin::activate() noexcept {
    // Values set while deactivated are taken before the reset, as the core's resume expects.
    takeControlChanges();
    effect.resume();
}

void Lv2Plugin::deactivate() noexcept {
    effect.suspend();
}

void Lv2Plugin::run(std::uint32_t count) noexcept {
    takeControlChanges();
    if (latencyPort != nullptr) {
        *latencyPort = static_cast<float>(effect.latency());
    }
    // The core counts in int32: a longer call (no host makes one) goes through in parts.
    constexpr std::uint32_t kLongestCall = std::numeric_limits<std::int32_t>::max();
    std::uint32_t done = 0;
    do {
        const std::uint32_t part = std::min(count - done, kLongestCall);
        const float* in[2] = {inputs[0] ? inputs[0] + done : nullptr,
                              inputs[1] ? inputs[1] + done : nullptr};
        float* out[2] = {outputs[0] ? outputs[0] + done : nullptr,
                         outputs[1] ? outputs[1] + done : nullptr};
        // Also for count 0: the core applies the changes at the block start.
        effect.process(in, out, static_cast<std::int32_t>(part));
        done += part;
    } while (done < count);
}

void Lv2Plugin::takeControlChanges() noexcept {
    for (std::size_t i = 0; i < kParameterCount; ++i) {
        if (controls[i] == nullptr) {
            continue;
        }
        const float value = *controls[i];
        const auto bits = std::bit_cast<std::uint32_t>(value);
        if (known[i] && bits == takenBits[i]) {
            continue; // storing an unchanged value would still cost a filter redesign
        }
        known[i] = true;
        takenBits[i] = bits;
        if (i == kEnabledParameter) {
            // A toggle is on above 0; whatever is not off (NaN too) leaves the effect enabled.
            effect.setPlain(i, value <= 0.0f ? 1.0 : 0.0);
        } else {
            effect.setPlain(i, static_cast<double>(value));
        }
    }
}

} // namespace calderine::lv2
