#include "tools/render/commands/InfoWriter.h"

#include "host/VstConstants.h"
#include "tools/render/common/TextForms.h"
#include "tools/render/settings/PresetFile.h"

#include <array>
#include <cstdio>
#include <iomanip>
#include <utility>

namespace calderine {

namespace {

constexpr std::array<std::pair<std::int32_t, const char*>, 8> kFlagNames = {{
    {effFlagsHasEditor, "hasEditor"},
    {effFlagsHasClip, "hasClip"},
    {effFlagsHasVu, "hasVu"},
    {effFlagsCanMono, "canMono"},
    {effFlagsCanReplacing, "canReplacing"},
    {effFlagsProgramChunks, "programChunks"},
    {effFlagsIsSynth, "isSynth"},
    {effFlagsCanDoubleReplacing, "canDoubleReplacing"},
}};

// Wide enough for the longest name an effect may report (31 characters) and its quotes.
constexpr int kNameColumn = 34;
// Labels and displays are at most 8 characters.
constexpr int kShortColumn = 11;
constexpr int kIndexColumn = 5;
constexpr int kFieldColumn = 16;
constexpr int kNormalisedDecimals = 6;
// Starts each settings line, so that the block is found and cut out with one pattern.
constexpr const char* kSettingPrefix = "preset: ";

std::string hex32(std::uint32_t value) {
    std::array<char, 11> text{};
    std::snprintf(text.data(), text.size(), "0x%08X", value);
    return text.data();
}

// Every text a module gives is shown this way: it cannot reach the terminal as a command nor
// break the line it stands in.
std::string inQuotes(const std::string& text) {
    return '"' + printable(text) + '"';
}

// A name PresetFile reads back as itself: one that holds '=', starts with '#' or has spaces
// at either end would be read as another name, or not at all.
bool settable(const std::string& name) {
    return !name.empty() && name.find('=') == std::string::npos && name.front() != '#' &&
           name.front() != ' ' && name.back() != ' ';
}

// The settings line of a parameter, or a comment where the line would not read back as this
// parameter and only this one: cut out and given to --preset, the block sets nothing the
// module did not name as a parameter.
std::string settingLine(const ParameterInfo& parameter) {
    const std::string line = PresetFile::line({parameter.name, parameter.display, parameter.label});
    const std::string shown = printable(line);
    if (shown == line && settable(parameter.name)) {
        return line;
    }
    return "# cannot be set by name: " + shown;
}

void appendWord(std::string& words, const std::string& word) {
    if (!words.empty()) {
        words += ' ';
    }
    words += word;
}

std::ostream& field(std::ostream& out, const char* name) {
    return out << std::left << std::setw(kFieldColumn) << (std::string(name) + ":");
}

} // namespace

std::string formatUniqueId(std::int32_t id) {
    const auto bits = static_cast<std::uint32_t>(id);
    std::string characters;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = static_cast<unsigned char>((bits >> shift) & 0xFFu);
        characters += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '.';
    }
    return "'" + characters + "' (" + hex32(bits) + ")";
}

std::string formatFlags(std::int32_t flags) {
    const auto bits = static_cast<std::uint32_t>(flags);
    std::string names;
    std::uint32_t unnamed = bits;
    for (const auto& [bit, name] : kFlagNames) {
        if ((bits & static_cast<std::uint32_t>(bit)) != 0) {
            appendWord(names, name);
            unnamed &= ~static_cast<std::uint32_t>(bit);
        }
    }
    if (unnamed != 0) {
        appendWord(names, hex32(unnamed));
    }
    return hex32(bits) + " (" + names + ")";
}

void writeEffectInfo(std::ostream& out, const EffectInfo& info) {
    field(out, "module") << printable(info.modulePath.string()) << " (entry "
                         << printable(info.entryName) << ")\n";
    field(out, "effect") << inQuotes(info.effectName) << '\n';
    field(out, "vendor") << inQuotes(info.vendorString) << '\n';
    field(out, "product") << inQuotes(info.productString) << '\n';
    field(out, "vendor version") << info.vendorVersion << '\n';
    field(out, "effect version") << info.version << '\n';
    field(out, "unique id") << formatUniqueId(info.uniqueId) << '\n';
    field(out, "inputs") << info.numInputs << '\n';
    field(out, "outputs") << info.numOutputs << '\n';
    field(out, "flags") << formatFlags(info.flags) << '\n';
    field(out, "latency") << info.initialDelay << " samples\n";
    field(out, "programs") << info.numPrograms << " (current " << info.currentProgram << ": "
                           << inQuotes(info.programName) << ")\n";
    field(out, "parameters") << info.parameters.size() << '\n';
    if (info.parameters.empty()) {
        return;
    }
    out << "  " << std::right << std::setw(kIndexColumn) << "index"
        << "  " << std::left << std::setw(kNameColumn) << "name" << std::setw(kShortColumn)
        << "label" << std::setw(kShortColumn) << "display"
        << "normalised\n";
    for (const ParameterInfo& parameter : info.parameters) {
        out << "  " << std::right << std::setw(kIndexColumn) << parameter.index << "  " << std::left
            << std::setw(kNameColumn) << inQuotes(parameter.name) << std::setw(kShortColumn)
            << inQuotes(parameter.label) << std::setw(kShortColumn) << inQuotes(parameter.display)
            << std::fixed << std::setprecision(kNormalisedDecimals) << parameter.normalised << '\n';
    }
    out << std::defaultfloat;
    field(out, "settings") << "as a preset: the lines below after \"" << kSettingPrefix << "\"\n";
    for (const ParameterInfo& parameter : info.parameters) {
        out << kSettingPrefix << settingLine(parameter) << '\n';
    }
}

} // namespace calderine
