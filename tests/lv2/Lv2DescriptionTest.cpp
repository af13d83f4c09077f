// The generated bundle description as an LV2 host reads it (through lilv): the ports a host
// offers must be the parameters the module serves, with the descriptor table's names, ranges,
// defaults, units and labelled values, under symbols that sessions store and so never change.
#include "effect/ParameterTable.h"

#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <map>
#include <memory>
#include <string>

namespace calderine {
namespace {

namespace param = parameterIndex;

constexpr const char* kLv2 = "http://lv2plug.in/ns/lv2core#";
constexpr const char* kUnits = "http://lv2plug.in/ns/extensions/units#";
constexpr const char* kGroups = "http://lv2plug.in/ns/ext/port-groups#";

// Symbols sessions are stored under, fixed from the first release on.
constexpr struct {
    const char* symbol;
    std::size_t parameter;
} kControls[] = {
    {"tone_gain", param::toneGain},
    {"noise_clipper_threshold", param::clipperThreshold},
    {"noise_clipper_emphasis", param::clipperEmphasis},
    {"noise_tilt", param::noiseTilt},
    {"noise_gain", param::noiseGain},
    {"dry_mix", param::dryMix},
    {"stereo_mode", param::stereoMode},
    {"tone_tilt", param::toneTilt},
    {"separation_slope", param::separationSlope},
};

class Lv2Description : public ::testing::Test {
protected:
    void SetUp() override {
        LilvNode* bundle = lilv_new_file_uri(world.get(), nullptr, CALDERINE_LV2_BUNDLE);
        lilv_world_load_bundle(world.get(), bundle);
        lilv_node_free(bundle);
        plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world.get()),
                                         node("urn:pemberlow:calderine"));
        ASSERT_NE(plugin, nullptr) << "no plug-in in " << CALDERINE_LV2_BUNDLE;
    }
    void TearDown() override {
        for (LilvNode* n : nodes) {
            lilv_node_free(n);
        }
    }

    // A URI node, freed with the fixture.
    LilvNode* node(const std::string& uri) {
        nodes.push_back(lilv_new_uri(world.get(), uri.c_str()));
        return nodes.back();
    }
    const LilvPort* port(const char* symbol) {
        LilvNode* s = lilv_new_string(world.get(), symbol);
        const LilvPort* p = lilv_plugin_get_port_by_symbol(plugin, s);
        lilv_node_free(s);
        return p;
    }
    bool is(const LilvPort* p, const char* lv2Class) {
        return lilv_port_is_a(plugin, p, node(std::string(kLv2) + lv2Class));
    }
    bool has(const LilvPort* p, const char* property) {
        return lilv_port_has_property(plugin, p, node(std::string(kLv2) + property));
    }
    // The URI or text of a port's one value for predicate, or "" for none.
    std::string value(const LilvPort* p, const std::string& predicate) {
        LilvNode* v = lilv_port_get(plugin, p, node(predicate));
        std::string text = v ? lilv_node_as_string(v) : "";
        lilv_node_free(v);
        return text;
    }
    // default, minimum, maximum
    std::array<double, 3> range(const LilvPort* p) {
        LilvNode* n[3] = {};
        lilv_port_get_range(plugin, p, &n[0], &n[1], &n[2]);
        std::array<double, 3> r{};
        for (int i = 0; i < 3; ++i) {
            r[i] = n[i] ? lilv_node_as_float(n[i]) : -1e9;
            lilv_node_free(n[i]);
        }
        return r;
    }
    std::map<double, std::string> scalePoints(const LilvPort* p) {
        std::map<double, std::string> points;
        LilvScalePoints* all = lilv_port_get_scale_points(plugin, p);
        LILV_FOREACH(scale_points, i, all) {
            const LilvScalePoint* point = lilv_scale_points_get(all, i);
            points[lilv_node_as_float(lilv_scale_point_get_value(point))] =
                lilv_node_as_string(lilv_scale_point_get_label(point));
        }
        lilv_scale_points_free(all);
        return points;
    }

    std::unique_ptr<LilvWorld, void (*)(LilvWorld*)> world{lilv_world_new(), &lilv_world_free};
    const LilvPlugin* plugin = nullptr;
    std::vector<LilvNode*> nodes;
};

TEST_F(Lv2Description, EveryParameterIsAControlInputAsTheTableDescribesIt) {
    for (const auto& row : kControls) {
        const ParameterDescriptor& d = kParameterTable[row.parameter];
        const LilvPort* p = port(row.symbol);
        ASSERT_NE(p, nullptr) << row.symbol;
        EXPECT_TRUE(is(p, "InputPort") && is(p, "ControlPort")) << row.symbol;
        LilvNode* name = lilv_port_get_name(plugin, p);
        EXPECT_STREQ(lilv_node_as_string(name), d.name);
        lilv_node_free(name);
        const auto [def, min, max] = range(p);
        EXPECT_EQ(def, d.defaultValue) << row.symbol;
        EXPECT_EQ(min, d.minimum) << row.symbol;
        EXPECT_EQ(max, d.maximum) << row.symbol;

        const std::map<std::string, std::string> kUnitUris = {{"dB", "db"}, {"%", "pc"}};
        EXPECT_EQ(value(p, std::string(kUnits) + "unit"),
                  d.unit ? kUnits + kUnitUris.at(d.unit) : "")
            << row.symbol;

        std::map<double, std::string> expected;
        for (std::size_t i = 0; d.choices && d.minimum + i <= d.maximum; ++i) {
            expected[d.minimum + static_cast<double>(i)] = d.choices[i];
        }
        if (d.minimumText) {
            expected[d.minimum] = d.minimumText;
        }
        if (d.maximumText) {
            expected[d.maximum] = d.maximumText;
        }
        EXPECT_EQ(scalePoints(p), expected) << row.symbol;
        EXPECT_EQ(has(p, "integer"), d.choices != nullptr) << row.symbol;
        EXPECT_EQ(has(p, "enumeration"), d.choices != nullptr) << row.symbol;
    }
}

// Bypass is the host's own bypass switch: "enabled", on by default, the inverse of Bypass.
TEST_F(Lv2Description, BypassIsTheHostsEnabledSwitch) {
    const LilvPort* p = port("enabled");
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(has(p, "toggled"));
    EXPECT_EQ(value(p, std::string(kLv2) + "designation"), std::string(kLv2) + "enabled");
    const auto [def, min, max] = range(p);
    EXPECT_EQ(def, 1.0 - kParameterTable[param::bypass].defaultValue);
    EXPECT_EQ(min, 0.0);
    EXPECT_EQ(max, 1.0);
}

TEST_F(Lv2Description, StereoAudioInGroupsAndALatencyOutput) {
    EXPECT_TRUE(lilv_plugin_verify(plugin));
    EXPECT_EQ(lilv_plugin_get_num_ports(plugin), 15u);
    LilvNodes* required = lilv_plugin_get_required_features(plugin);
    EXPECT_EQ(lilv_nodes_size(required), 0u) << "simple hosts offer no features";
    lilv_nodes_free(required);

    constexpr struct {
        const char* symbol;
        bool input;
        const char* side;
    } kAudio[] = {{"in_left", true, "left"},
                  {"in_right", true, "right"},
                  {"out_left", false, "left"},
                  {"out_right", false, "right"}};
    for (const auto& row : kAudio) {
        const LilvPort* p = port(row.symbol);
        ASSERT_NE(p, nullptr) << row.symbol;
        EXPECT_TRUE(is(p, "AudioPort") && is(p, row.input ? "InputPort" : "OutputPort"));
        EXPECT_EQ(value(p, std::string(kLv2) + "designation"), std::string(kGroups) + row.side);
        const std::string group = value(p, std::string(kGroups) + "group");
        EXPECT_EQ(group,
                  std::string("urn:pemberlow:calderine#") + (row.input ? "input" : "output"));
        LilvNode* groupNode = node(group);
        EXPECT_TRUE(lilv_world_ask(world.get(), groupNode,
                                   node("http://www.w3.org/1999/02/22-rdf-syntax-ns#type"),
                                   node(std::string(kGroups) + "StereoGroup")))
            << group;
    }

    const LilvPort* latency = port("latency");
    ASSERT_NE(latency, nullptr);
    ASSERT_TRUE(lilv_plugin_has_latency(plugin));
    EXPECT_EQ(lilv_plugin_get_latency_port_index(plugin), lilv_port_get_index(plugin, latency));
    EXPECT_TRUE(is(latency, "OutputPort") && is(latency, "ControlPort"));
    EXPECT_TRUE(has(latency, "reportsLatency")) << "older hosts read only this";
    EXPECT_EQ(value(latency, std::string(kLv2) + "designation"), std::string(kLv2) + "latency");
    // 50 ms at the highest rate served, 768 kHz.
    EXPECT_EQ(range(latency)[2], 38400.0);
}

// The built module, loaded as hosts load it: an instance only at the rates the effect serves.
TEST_F(Lv2Description, ModuleInstantiatesOnlyAtServedRates) {
    constexpr struct {
        double rate;
        bool served;
    } kRates[] = {{4000.0, false}, {44100.0, true}, {768000.0, true}, {800000.0, false}};
    for (const auto& row : kRates) {
        LilvInstance* instance = lilv_plugin_instantiate(plugin, row.rate, nullptr);
        EXPECT_EQ(instance != nullptr, row.served) << row.rate;
        if (instance != nullptr) {
            lilv_instance_free(instance);
        }
    }
}

} // namespace
} // namespace calderine
