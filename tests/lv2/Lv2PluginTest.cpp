// The LV2 adapter driven through its descriptor, as a host drives the module: instantiation,
// the ports each parameter arrives through, the latency port, in-place buffers and the life
// cycle, each checked against the bare effect core.
#include "effect/EffectCore.h"
#include "lv2/Lv2Descriptor.h"
#include "lv2/PortLayout.h"
#include "tests/support/EffectSignals.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace calderine::lv2 {
namespace {

namespace param = parameterIndex;
using testing::Channels;

constexpr std::uint32_t kBlock = 300; // not a power of two, so blocks straddle frames

// One instance through the descriptor's function pointers, with its own port storage.
class HostedPlugin {
public:
    explicit HostedPlugin(double rate)
        : descriptor(pluginDescriptor()),
          handle(descriptor.instantiate(&descriptor, rate, "/nonexistent/", features)) {
        if (handle != nullptr) {
            for (std::size_t i = 0; i < kParameterCount; ++i) {
                controls[i] = i == kEnabledParameter
                                  ? 1.0f
                                  : static_cast<float>(kParameterTable[i].defaultValue);
                descriptor.connect_port(handle, controlPort(i), &controls[i]);
            }
            descriptor.connect_port(handle, port::latency, &latency);
        }
    }
    ~HostedPlugin() {
        if (handle != nullptr) {
            descriptor.cleanup(handle);
        }
    }
    HostedPlugin(const HostedPlugin&) = delete;
    HostedPlugin& operator=(const HostedPlugin&) = delete;

    bool instantiated() const { return handle != nullptr; }
    void activate() { descriptor.activate(handle); }
    void deactivate() { descriptor.deactivate(handle); }
    // Runs the blocks in place or through separate output buffers; the signal is replaced.
    void run(Channels<float>& signal, bool inPlace) {
        Channels<float> out = signal;
        for (std::uint32_t start = 0; start < signal[0].size(); start += kBlock) {
            const auto count = std::min<std::uint32_t>(
                kBlock, static_cast<std::uint32_t>(signal[0].size()) - start);
            for (std::uint32_t c = 0; c < 2; ++c) {
                descriptor.connect_port(handle, port::inLeft + c, signal[c].data() + start);
                descriptor.connect_port(handle, port::outLeft + c,
                                        (inPlace ? signal : out)[c].data() + start);
            }
            descriptor.run(handle, count);
        }
        if (!inPlace) {
            signal = out;
        }
    }
    void runEmpty() { descriptor.run(handle, 0); }

    std::array<float, kParameterCount> controls{};
    float latency = -1.0f;

private:
    const LV2_Descriptor& descriptor;
    const LV2_Feature* const features[1] = {nullptr};
    LV2_Handle handle;
};

struct Setting {
    std::size_t parameter;
    double plain;
    std::size_t fromFrame = 0; // set before the block that starts here
};

// The same signal through the core alone, in the same blocks, set to the same plain values.
Channels<float> coreRender(double rate, const std::vector<Setting>& settings,
                           Channels<float> signal) {
    EffectCore core;
    EXPECT_TRUE(core.setSampleRate(rate));
    core.resume();
    for (std::size_t start = 0; start < signal[0].size(); start += kBlock) {
        for (const Setting& setting : settings) {
            if (setting.fromFrame == start) {
                core.setPlain(setting.parameter, setting.plain);
            }
        }
        const auto count =
            static_cast<std::int32_t>(std::min<std::size_t>(kBlock, signal[0].size() - start));
        float* channels[2] = {signal[0].data() + start, signal[1].data() + start};
        core.process(channels, channels, count);
    }
    return signal;
}

Channels<float> frames(const Channels<float>& signal, std::size_t from, std::size_t to) {
    return {{signal[0].begin() + from, signal[0].begin() + to},
            {signal[1].begin() + from, signal[1].begin() + to}};
}

// N, the separator's frame size (50 ms rounded up to 2^a·3^b·5^c), on every call, empty ones and
// those before activation too.
TEST(Lv2Plugin, WritesTheLatencyOnEveryRun) {
    constexpr struct {
        double rate;
        float frames;
    } kLatencies[] = {{44100.0, 2304.0f}, {48000.0, 2400.0f}, {96000.0, 4800.0f}};
    for (const auto& row : kLatencies) {
        HostedPlugin plugin(row.rate);
        plugin.runEmpty();
        EXPECT_EQ(plugin.latency, row.frames) << row.rate;
        plugin.activate();
        plugin.latency = 0.0f; // a host may reuse the port's memory between calls
        Channels<float> signal = testing::noisyTones<float>(kBlock, 3);
        plugin.run(signal, true);
        EXPECT_EQ(plugin.latency, row.frames) << row.rate;
    }
}

// Control ports reach the core in their own units (every one, by symbol, in the lv2apply
// parity test); Bypass arrives inverted as the host's "enabled" switch, on above 0.
TEST(Lv2Plugin, EachControlPortSetsItsParameter) {
    constexpr struct {
        std::size_t parameter;
        float port;
        double plain;
    } kControls[] = {
        // Ports 4.. in parameter order: the first and the last, in their own units.
        {param::toneGain, -6.5f, -6.5},
        {param::separationSlope, 0.6f, 0.6},
        {param::bypass, 0.0f, 1.0},
        {param::bypass, 0.5f, 0.0},
    };
    const Channels<float> input = testing::noisyTones<float>(6000, 11);
    for (const auto& row : kControls) {
        HostedPlugin plugin(48000.0);
        plugin.controls[row.parameter] = row.port;
        plugin.activate();
        Channels<float> output = input;
        plugin.run(output, false);
        EXPECT_EQ(output, coreRender(48000.0, {{row.parameter, row.plain}}, input))
            << kParameterTable[row.parameter].name << " from port value " << row.port;
    }
}

// A value that changes between runs sounds from the next block on, exactly as the core set at
// that block boundary; the same holds with the host's buffers shared.
TEST(Lv2Plugin, ChangesSoundFromTheNextBlockInPlaceOrNot) {
    constexpr std::size_t kChange = 4 * kBlock;
    const Channels<float> input = testing::noisyTones<float>(2 * kChange, 5);
    const std::vector<Setting> settings = {{param::stereoMode, 2.0},
                                           {param::toneGain, -9.0, kChange}};
    const Channels<float> expected = coreRender(96000.0, settings, input);
    ASSERT_NE(expected, coreRender(96000.0, {settings[0]}, input)) << "the change is inaudible";
    for (const bool inPlace : {false, true}) {
        HostedPlugin plugin(96000.0);
        plugin.controls[param::stereoMode] = 2.0f;
        plugin.activate();
        Channels<float> head = frames(input, 0, kChange);
        plugin.run(head, inPlace);
        plugin.controls[param::toneGain] = -9.0f;
        Channels<float> tail = frames(input, kChange, 2 * kChange);
        plugin.run(tail, inPlace);
        EXPECT_EQ(head, frames(expected, 0, kChange)) << "in place: " << inPlace;
        EXPECT_EQ(tail, frames(expected, kChange, 2 * kChange)) << "in place: " << inPlace;
    }
}

// Deactivating and activating again clears the signal memory: the instance sounds as new.
TEST(Lv2Plugin, ReactivationStartsFromSilence) {
    const Channels<float> input = testing::noisyTones<float>(5000, 9);
    HostedPlugin used(48000.0);
    used.activate();
    Channels<float> first = input;
    used.run(first, true);
    used.deactivate();
    used.activate();
    Channels<float> again = input;
    used.run(again, true);
    EXPECT_EQ(again, coreRender(48000.0, {}, input));
}

} // namespace
} // namespace calderine::lv2
