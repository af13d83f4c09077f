// The built calderine.clap as a host loads it: life cycle, parameters and their texts,
// parameter events on their sample, state, both sample sizes, and the same output as the VST
// 2.4 module.
#include "effect/ParameterTable.h"
#include "tests/clap/ClapTestHost.h"
#include "tests/support/EffectSignals.h"
#include "tools/vsthost/DynamicLibrary.h"
#include "tools/vsthost/HostedEffect.h"
#include "tools/vsthost/PluginModule.h"

#include <gtest/gtest.h>

namespace calderine::clap {
namespace {

using testing::EventList;
using testing::HostedClap;
namespace param = parameterIndex;

const ClapPluginEntry& moduleEntry() {
    static const DynamicLibrary module(CALDERINE_CLAP_MODULE_PATH);
    const auto* entry = static_cast<const ClapPluginEntry*>(module.symbol("clap_entry"));
    if (entry == nullptr) {
        throw std::runtime_error("no clap_entry in " CALDERINE_CLAP_MODULE_PATH);
    }
    return *entry;
}

template <typename Sample>
using Channels = calderine::testing::Channels<Sample>;

TEST(ClapModule, ActivatesAtServedRatesAndReportsTheLatency) {
    constexpr struct {
        double rate;
        bool served;
        std::uint32_t latency; // 50 ms rounded up to 2^a·3^b·5^c
    } kRates[] = {{44100.0, true, 2304},
                  {48000.0, true, 2400},
                  {96000.0, true, 4800},
                  {4000.0, false, 0},
                  {800000.0, false, 0}};
    for (const auto& row : kRates) {
        HostedClap plugin(moduleEntry());
        ASSERT_EQ(plugin.activate(row.rate), row.served) << row.rate;
        if (!row.served) {
            EXPECT_TRUE(plugin.activate(48000.0)) << "a refused rate left the instance unusable";
            continue;
        }
        const auto* latency = plugin.extension<ClapPluginLatency>(kLatencyExtension);
        ASSERT_NE(latency, nullptr);
        EXPECT_EQ(latency->get(plugin.plugin), row.latency) << row.rate;
        plugin.start();
        auto signal = calderine::testing::noisyTones<float>(3000, 1);
        plugin.process(signal, 0, 3000);
        plugin.plugin->stop_processing(plugin.plugin);
        plugin.plugin->deactivate(plugin.plugin);
    }
}

// Ids are stored in sessions and automation: pinned here, never renumbered.
TEST(ClapModule, ParametersAreTheTableUnderFixedIds) {
    constexpr struct {
        ClapId id;
        std::size_t parameter;
        bool stepped, enumerated, bypass;
    } kIds[] = {
        {0, param::toneGain, false, false, false},
        {1, param::clipperThreshold, false, false, false},
        {2, param::clipperEmphasis, false, false, false},
        {3, param::noiseTilt, false, false, false},
        {4, param::noiseGain, false, false, false},
        {5, param::dryMix, false, false, false},
        {6, param::stereoMode, true, true, false},
        {7, param::bypass, true, false, true},
        {8, param::toneTilt, false, false, false},
        {9, param::separationSlope, false, false, false},
    };
    HostedClap plugin(moduleEntry());
    ASSERT_EQ(plugin.params->count(plugin.plugin), std::size(kIds));
    for (std::uint32_t position = 0; position < std::size(kIds); ++position) {
        const auto& row = kIds[position];
        const ParameterDescriptor& d = kParameterTable[row.parameter];
        ClapParamInfo info{};
        ASSERT_TRUE(plugin.params->get_info(plugin.plugin, position, &info));
        EXPECT_EQ(info.id, row.id);
        EXPECT_STREQ(info.name, d.name);
        EXPECT_EQ(info.min_value, d.minimum) << d.name;
        EXPECT_EQ(info.max_value, d.maximum) << d.name;
        EXPECT_EQ(info.default_value, d.defaultValue) << d.name;
        EXPECT_EQ(plugin.value(row.id), d.defaultValue) << d.name;
        EXPECT_EQ((info.flags & 1u) != 0, row.stepped) << d.name;
        EXPECT_EQ((info.flags & (1u << 16)) != 0, row.enumerated) << d.name;
        EXPECT_EQ((info.flags & (1u << 4)) != 0, row.bypass) << d.name;
        EXPECT_NE(info.flags & (1u << 5), 0u) << d.name << " is not automatable";
    }
    ClapParamInfo info{};
    EXPECT_FALSE(plugin.params->get_info(plugin.plugin, 10, &info));
    double value = 0.0;
    EXPECT_FALSE(plugin.params->get_value(plugin.plugin, 10, &value));
}

// The VST module's display texts with their units; and what a user types, read back.
TEST(ClapModule, ValueTextsBothWays) {
    constexpr struct {
        ClapId id;
        double value;
        const char* text;
    } kTexts[] = {
        {0, -6.0, "-6.0 dB"}, {0, -18.0, "mute"},  {1, 0.0, "off"},      {1, -12.5, "-12.5"},
        {2, 0.35, "0.35"},    {5, 25.0, "25.0 %"}, {6, 2.0, "M/S"},      {6, 0.0, "Mono"},
        {7, 1.0, "On"},       {7, 0.0, "Off"},     {4, 18.0, "18.0 dB"},
    };
    HostedClap plugin(moduleEntry());
    for (const auto& row : kTexts) {
        char text[64];
        ASSERT_TRUE(
            plugin.params->value_to_text(plugin.plugin, row.id, row.value, text, sizeof text));
        EXPECT_STREQ(text, row.text) << row.id << " at " << row.value;
        double value = -100.0;
        ASSERT_TRUE(plugin.params->text_to_value(plugin.plugin, row.id, row.text, &value))
            << row.text;
        EXPECT_EQ(value, row.value) << row.text;
    }
    constexpr struct {
        ClapId id;
        const char* text;
        bool read;
        double value;
    } kTyped[] = {
        {0, "-6", true, -6.0},   {0, " -6dB ", true, -6.0}, {0, "MUTE", true, -18.0},
        {0, "+3 db", true, 3.0}, {0, "-6.04", true, -6.0},  {0, "40", true, 18.0},
        {6, "m/s", true, 2.0},   {5, "30%", true, 30.0},    {0, "loud", false, 0.0},
        {0, "6 %", false, 0.0},  {0, "nan", false, 0.0},    {0, "", false, 0.0},
    };
    for (const auto& row : kTyped) {
        double value = -100.0;
        EXPECT_EQ(plugin.params->text_to_value(plugin.plugin, row.id, row.text, &value), row.read)
            << "'" << row.text << "'";
        if (row.read) {
            EXPECT_EQ(value, row.value) << "'" << row.text << "'";
        }
    }
    char small[4];
    ASSERT_TRUE(plugin.params->value_to_text(plugin.plugin, 0, -6.0, small, sizeof small));
    EXPECT_STREQ(small, "-6.") << "cut to the host's buffer, terminated";
}

// A change stamped at sample k of a block sounds exactly as a change made between two calls
// whose first ends at k.
TEST(ClapModule, ParameterEventsLandOnTheirSample) {
    constexpr std::uint32_t kBlock = 1024;
    constexpr struct {
        std::uint32_t first, second; // samples of a tone-gain and a mode change
    } kOffsets[] = {{0, 0}, {1, 700}, {299, 300}, {512, 1023}};
    const auto input = calderine::testing::noisyTones<float>(3 * kBlock, 7);
    for (const auto& row : kOffsets) {
        HostedClap stamped(moduleEntry());
        HostedClap split(moduleEntry());
        for (HostedClap* p : {&stamped, &split}) {
            ASSERT_TRUE(p->activate(48000.0, kBlock));
            p->start();
        }
        Channels<float> a = input;
        Channels<float> b = input;
        EventList events;
        events.add(row.first, 0, -9.0);
        events.add(row.second, 6, 2.0);
        stamped.process(a, 0, kBlock);
        stamped.process(a, kBlock, kBlock, events);
        stamped.process(a, 2 * kBlock, kBlock);

        split.process(b, 0, kBlock);
        split.process(b, kBlock, row.first);
        split.set(0, -9.0);
        split.process(b, kBlock + row.first, row.second - row.first);
        split.set(6, 2.0);
        split.process(b, kBlock + row.second, 2 * kBlock - row.second);
        EXPECT_EQ(a, b) << "events at " << row.first << " and " << row.second;
        EXPECT_EQ(stamped.value(0), -9.0);
    }
}

// The record a session keeps: every value back, from a stream that moves one byte at a time;
// and refused, with nothing changed, when it is not a whole record of a known version.
TEST(ClapModule, StateRoundTripsAndRefusesWhatItCannotRead) {
    struct Stream {
        std::vector<unsigned char> bytes;
        std::size_t position = 0;
        static std::int64_t CALDERINE_CLAP_CALL write(const ClapOutputStream* s, const void* data,
                                                      std::uint64_t) {
            auto& self = *static_cast<Stream*>(s->ctx);
            self.bytes.push_back(*static_cast<const unsigned char*>(data));
            return 1;
        }
        static std::int64_t CALDERINE_CLAP_CALL read(const ClapInputStream* s, void* data,
                                                     std::uint64_t size) {
            auto& self = *static_cast<Stream*>(s->ctx);
            if (self.position == self.bytes.size() || size == 0) {
                return 0;
            }
            *static_cast<unsigned char*>(data) = self.bytes[self.position++];
            return 1;
        }
    };
    const auto save = [](HostedClap& p) {
        Stream s;
        const ClapOutputStream out{&s, Stream::write};
        EXPECT_TRUE(p.state->save(p.plugin, &out));
        return s.bytes;
    };
    const auto load = [](HostedClap& p, std::vector<unsigned char> bytes) {
        Stream s{std::move(bytes)};
        const ClapInputStream in{&s, Stream::read};
        return p.state->load(p.plugin, &in);
    };

    HostedClap source(moduleEntry());
    const double kValues[] = {-7.5, -20.0, 0.4, 0.9, 6.0, 33.0, 3.0, 1.0, 0.25, 0.75};
    for (ClapId id = 0; id < 10; ++id) {
        source.set(id, kValues[id]);
    }
    const std::vector<unsigned char> record = save(source);
    ASSERT_EQ(record.size(), 12u + 8u * 10u);
    HostedClap copy(moduleEntry());
    ASSERT_TRUE(load(copy, record));
    for (ClapId id = 0; id < 10; ++id) {
        EXPECT_EQ(copy.value(id), kValues[id]) << id;
    }

    // An earlier record with fewer values: the rest take their defaults.
    std::vector<unsigned char> shorter(record.begin(), record.end() - 8);
    shorter[8] = 9;
    HostedClap older(moduleEntry());
    older.set(9, 0.5);
    ASSERT_TRUE(load(older, shorter));
    EXPECT_EQ(older.value(0), -7.5);
    EXPECT_EQ(older.value(9), kParameterTable[param::separationSlope].defaultValue);

    const auto with = [&](std::size_t at, unsigned char byte) {
        std::vector<unsigned char> bytes = record;
        bytes[at] = byte;
        return bytes;
    };
    std::vector<unsigned char> nan = record;
    for (std::size_t i = 0; i < 8; ++i) {
        nan[12 + i] = i == 7 ? 0x7F : (i == 6 ? 0xF8 : 0x00);
    }
    const struct {
        const char* what;
        std::vector<unsigned char> bytes;
    } kRefused[] = {
        {"empty", {}},
        {"cut in the header", {record.begin(), record.begin() + 7}},
        {"cut in a value", {record.begin(), record.end() - 3}},
        {"running on",
         [&] {
             auto b = record;
             b.push_back(0);
             return b;
         }()},
        {"foreign", with(0, 'X')},
        {"a later version", with(4, 2)},
        {"version 0", with(4, 0)},
        {"more values than parameters", with(8, 11)},
        {"a value that is not a number", nan},
    };
    for (const auto& row : kRefused) {
        HostedClap target(moduleEntry());
        target.set(0, 4.0);
        EXPECT_FALSE(load(target, row.bytes)) << row.what;
        EXPECT_EQ(target.value(0), 4.0) << row.what << " changed a value";
        EXPECT_EQ(target.value(1), 0.0) << row.what << " changed a value";
    }
}

// The same input, rate and settings through calderine.clap and through the VST 2.4 module:
// the same bits, with 32-bit and with 64-bit samples.
TEST(ClapModule, RendersWhatTheVstModuleRenders) {
    constexpr double kRates[] = {44100.0, 48000.0, 96000.0};
    // Plain values and the normalised values that name them for the VST module, among them
    // pairs that meet only after rounding to the displayed decimals (6 dB, 33.3 %).
    constexpr struct {
        ClapId id;
        double plain;
        float normalised;
    } kSettings[] = {{0, 6.0, 0.6666667f}, {1, -20.0, 0.5f},      {2, 0.25, 0.25f},
                     {3, 0.75, 0.75f},     {4, -6.0, 0.3333333f}, {5, 33.3, 0.333f},
                     {6, 2.0, 0.5f},       {8, 1.0, 1.0f},        {9, 0.5, 0.5f}};
    constexpr std::uint32_t kBlock = 512;
    const auto module = std::make_shared<const PluginModule>(CALDERINE_VST_MODULE_PATH);
    for (const double rate : kRates) {
        const auto input = calderine::testing::noisyTones<float>(6 * kBlock + 100, 3);
        HostedEffect vst(module);
        HostedEffect vst64(module);
        HostedClap clap32(moduleEntry());
        HostedClap clap64(moduleEntry());
        for (HostedEffect* v : {&vst, &vst64}) {
            v->setSampleRate(static_cast<float>(rate));
            v->setBlockSize(kBlock);
            for (const auto& s : kSettings) {
                v->setParameter(static_cast<std::int32_t>(s.id), s.normalised);
            }
            v->resume();
        }
        for (const auto& s : kSettings) {
            clap32.set(s.id, s.plain);
            clap64.set(s.id, s.plain);
        }
        for (HostedClap* p : {&clap32, &clap64}) {
            ASSERT_TRUE(p->activate(rate, kBlock));
            p->start();
        }
        Channels<float> viaClap = input;
        Channels<double> viaClap64 = calderine::testing::widened<double>(input);
        FloatChannels viaVst(2);
        DoubleChannels viaVst64(2);
        for (std::size_t start = 0; start < input[0].size(); start += kBlock) {
            const auto frames =
                static_cast<std::uint32_t>(std::min<std::size_t>(kBlock, input[0].size() - start));
            clap32.process(viaClap, start, frames);
            clap64.process(viaClap64, start, frames);
            FloatChannels in{{input[0].begin() + start, input[0].begin() + start + frames},
                             {input[1].begin() + start, input[1].begin() + start + frames}};
            FloatChannels out(2, std::vector<float>(frames));
            vst.processReplacing(in, out);
            DoubleChannels in64{{in[0].begin(), in[0].end()}, {in[1].begin(), in[1].end()}};
            DoubleChannels out64(2, std::vector<double>(frames));
            vst64.processDoubleReplacing(in64, out64);
            for (int c = 0; c < 2; ++c) {
                viaVst[c].insert(viaVst[c].end(), out[c].begin(), out[c].end());
                viaVst64[c].insert(viaVst64[c].end(), out64[c].begin(), out64[c].end());
            }
        }
        EXPECT_EQ(viaClap, viaVst) << rate;
        EXPECT_EQ(viaClap64, viaVst64) << rate;
    }
}

} // namespace
} // namespace calderine::clap
