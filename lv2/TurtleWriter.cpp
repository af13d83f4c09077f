#include "lv2/TurtleWriter.h"

#include "effect/ParameterTable.h"
#include "lv2/PortLayout.h"

#include <cctype>
#include <charconv>
#include <cstring>
#include <lv2/core/lv2.h>
#include <lv2/port-groups/port-groups.h>
#include <lv2/port-props/port-props.h>
#include <lv2/units/units.h>
#include <vector>

namespace calderine::lv2 {

namespace {

constexpr const char* kPrefixes = "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                                  "@prefix lv2: <" LV2_CORE_PREFIX "> .\n"
                                  "@prefix pg: <" LV2_PORT_GROUPS_PREFIX "> .\n"
                                  "@prefix pprops: <" LV2_PORT_PROPS_PREFIX "> .\n"
                                  "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                                  "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                                  "@prefix units: <" LV2_UNITS_PREFIX "> .\n\n";

// Locale-independent and exact: the shortest text that reads back as the same double, with a
// decimal point where the value is not an integer port's, so Turtle types it as a decimal.
std::string number(double value, bool integral) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    std::string result(text, end);
    if (!integral && result.find_first_of(".e") == std::string::npos) {
        result += ".0";
    }
    return result;
}

std::string quoted(std::string_view text) {
    return '"' + std::string(text) + '"';
}

std::string uri(std::string_view fragment) {
    return '<' + std::string(kPluginUri) + std::string(fragment) + '>';
}

// The unit a parameter's label names, as LV2 spells it; null for none.
const char* unitName(const char* label) {
    if (label == nullptr) {
        return nullptr;
    }
    if (std::strcmp(label, "dB") == 0) {
        return "units:db";
    }
    if (std::strcmp(label, "%") == 0) {
        return "units:pc";
    }
    return nullptr;
}

// A port as a blank node, one statement a line.
std::string portNode(const std::vector<std::string>& statements) {
    std::string node = "    [\n";
    for (std::size_t i = 0; i < statements.size(); ++i) {
        node += "        " + statements[i] + (i + 1 < statements.size() ? " ;\n" : "\n");
    }
    return node + "    ]";
}

std::string audioPortNode(std::uint32_t index, bool input, std::string_view side) {
    const std::string direction = input ? "in" : "out";
    const std::string name =
        std::string(side == "left" ? "Left " : "Right ") + (input ? "In" : "Out");
    return portNode({std::string("a lv2:AudioPort , lv2:") + (input ? "InputPort" : "OutputPort"),
                     "lv2:index " + std::to_string(index),
                     "lv2:symbol " + quoted(direction + "_" + std::string(side)),
                     "lv2:name " + quoted(name), "pg:group " + uri(input ? "#input" : "#output"),
                     "lv2:designation pg:" + std::string(side)});
}

std::string controlPortNode(std::size_t parameter) {
    const ParameterDescriptor& d = kParameterTable[parameter];
    std::vector<std::string> statements{"a lv2:InputPort , lv2:ControlPort",
                                        "lv2:index " + std::to_string(controlPort(parameter))};
    if (parameter == kEnabledParameter) {
        // The inverse of the parameter: hosts drive their own bypass button through it.
        statements.insert(statements.end(),
                          {"lv2:symbol \"enabled\"", "lv2:name \"Enabled\"", "lv2:default 1",
                           "lv2:minimum 0", "lv2:maximum 1", "lv2:designation lv2:enabled",
                           "lv2:portProperty lv2:toggled"});
        return portNode(statements);
    }
    const bool integral = d.choices != nullptr;
    statements.insert(statements.end(),
                      {"lv2:symbol " + quoted(portSymbol(d.name)), "lv2:name " + quoted(d.name),
                       "lv2:default " + number(d.defaultValue, integral),
                       "lv2:minimum " + number(d.minimum, integral),
                       "lv2:maximum " + number(d.maximum, integral)});
    if (const char* unit = unitName(d.unit)) {
        statements.push_back("units:unit " + std::string(unit));
    }
    if (d.kind == ParameterKind::Switch) {
        statements.emplace_back("lv2:portProperty lv2:toggled");
    } else if (integral) {
        statements.emplace_back("lv2:portProperty lv2:integer , lv2:enumeration");
    }
    // Labelled values: every choice, and the texts that replace a number at either end.
    std::vector<std::string> points;
    const auto point = [&](std::string_view label, double value) {
        points.push_back("[ rdfs:label " + quoted(label) + " ; rdf:value " +
                         number(value, integral) + " ]");
    };
    if (d.choices != nullptr) {
        for (double value = d.minimum; value <= d.maximum; value += 1.0) {
            point(d.choices[static_cast<std::size_t>(value - d.minimum)], value);
        }
    }
    if (d.minimumText != nullptr) {
        point(d.minimumText, d.minimum);
    }
    if (d.maximumText != nullptr) {
        point(d.maximumText, d.maximum);
    }
    if (!points.empty()) {
        std::string list = "lv2:scalePoint " + points[0];
        for (std::size_t i = 1; i < points.size(); ++i) {
            list += " ,\n                       " + points[i];
        }
        statements.push_back(list);
    }
    return portNode(statements);
}

} // namespace

std::string portSymbol(std::string_view name) {
    std::string symbol;
    char previous = '_';
    for (const char c : name) {
        const bool upper = std::isupper(static_cast<unsigned char>(c)) != 0;
        if (upper && std::islower(static_cast<unsigned char>(previous)) != 0) {
            symbol += '_';
        }
        symbol += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        previous = c;
    }
    return symbol;
}

std::string manifestTurtle(std::string_view binaryFile, std::string_view descriptionFile) {
    return "@prefix lv2: <" LV2_CORE_PREFIX "> .\n"
           "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n\n" +
           uri("") + "\n    a lv2:Plugin ;\n    lv2:binary <" + std::string(binaryFile) +
           "> ;\n    rdfs:seeAlso <" + std::string(descriptionFile) + "> .\n";
}

std::string pluginTurtle(PluginVersion version, std::uint32_t maxLatency) {
    std::string out = "# Generated at build time from the effect's parameter table.\n";
    out += kPrefixes;
    out += uri("#input") + "\n    a pg:InputGroup , pg:StereoGroup ;\n    lv2:symbol \"input\" ;\n"
                           "    rdfs:label \"Input\" .\n\n";
    out += uri("#output") +
           "\n    a pg:OutputGroup , pg:StereoGroup ;\n    lv2:symbol \"output\" ;\n"
           "    rdfs:label \"Output\" ;\n    pg:source " +
           uri("#input") + " .\n\n";
    out += uri("") +
           "\n    a lv2:Plugin , lv2:SpectralPlugin ;\n    doap:name \"calderine\" ;\n"
           "    doap:license <https://spdx.org/licenses/MIT> ;\n    lv2:minorVersion " +
           std::to_string(version.minor) + " ;\n    lv2:microVersion " +
           std::to_string(version.micro) +
           " ;\n    lv2:optionalFeature lv2:hardRTCapable ;\n    pg:mainInput " + uri("#input") +
           " ;\n    pg:mainOutput " + uri("#output") + " ;\n    lv2:port\n";
    out += audioPortNode(port::inLeft, true, "left") + " ,\n" +
           audioPortNode(port::inRight, true, "right") + " ,\n" +
           audioPortNode(port::outLeft, false, "left") + " ,\n" +
           audioPortNode(port::outRight, false, "right");
    for (std::size_t i = 0; i < kParameterCount; ++i) {
        out += " ,\n" + controlPortNode(i);
    }
    // lv2:reportsLatency is deprecated for the designation, but older hosts read only it.
    out += " ,\n    [\n        a lv2:OutputPort , lv2:ControlPort ;\n        lv2:index " +
           std::to_string(port::latency) +
           " ;\n        lv2:symbol \"latency\" ;\n        lv2:name \"Latency\" ;\n"
           "        lv2:minimum 0 ;\n        lv2:maximum " +
           std::to_string(maxLatency) +
           " ;\n        units:unit units:frame ;\n        lv2:designation lv2:latency ;\n"
           "        lv2:portProperty lv2:reportsLatency , lv2:integer , pprops:notOnGUI\n"
           "    ] .\n";
    return out;
}

} // namespace calderine::lv2
