#include "tools/render/commands/EffectHelp.h"

#include "tools/render/commandline/RenderOptions.h"
#include "tools/render/commands/EffectInfo.h"
#include "tools/render/common/NumberText.h"
#include "tools/render/common/TextForms.h"
#include "tools/render/settings/ParameterResolver.h"
#include "tools/render/settings/PresetLocator.h"
#include "tools/vsthost/EffectStartup.h"
#include "tools/vsthost/HostedEffect.h"
#include "tools/vsthost/PluginModule.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace calderine {

namespace {

// What the effect is told while it is asked: the rate most hosts start at, as --info.
constexpr float kHelpSampleRate = 44100.0f;
constexpr std::size_t kIndent = 2;
constexpr std::size_t kGap = 2;

std::string padded(const std::string& text, std::size_t width) {
    return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

} // namespace

std::string EffectHelp::parameters(const std::filesystem::path& module) {
    const auto effect = startEffect(std::make_shared<const PluginModule>(module),
                                    {kHelpSampleRate, kDefaultBlockFrames});
    const EffectInfo info = collectEffectInfo(*effect);
    ParameterResolver resolver(*effect);
    struct Row {
        std::string name;
        std::string range;
        std::string fallback;
    };
    std::vector<Row> rows{{"NAME", "VALUES", "DEFAULT"}};
    for (const ParameterInfo& parameter : info.parameters) {
        const bool number = !parameter.label.empty() && parseNumber(parameter.display);
        // Every text here comes from the module, the range from its displays.
        rows.push_back({printable(parameter.name), printable(resolver.range(parameter.index)),
                        printable(parameter.display + (number ? " " + parameter.label : ""))});
    }
    std::size_t nameWidth = 0;
    std::size_t rangeWidth = 0;
    for (const Row& row : rows) {
        nameWidth = std::max(nameWidth, row.name.size() + kGap);
        rangeWidth = std::max(rangeWidth, row.range.size() + kGap);
    }
    std::string text = "Parameters of \"" + printable(info.effectName) +
                       "\" for --set NAME=VALUE (any case; a unit may be left out),\nas " +
                       printable(module.string()) + " shows them:\n";
    for (const Row& row : rows) {
        text += std::string(kIndent, ' ') + padded(row.name, nameWidth) +
                padded(row.range, rangeWidth) + row.fallback + "\n";
    }
    return text;
}

std::string EffectHelp::presets(std::span<const std::filesystem::path> folders) {
    const std::vector<std::string> names = PresetLocator::names(folders);
    if (names.empty()) {
        std::string looked;
        for (const auto& folder : folders) {
            looked += (looked.empty() ? "" : ", ") + folder.string();
        }
        return "Presets for --preset NAME: none found (looked in " + looked + ")\n";
    }
    std::string text = "Presets for --preset NAME:";
    for (const std::string& name : names) {
        text += (&name == &names.front() ? " " : ", ") + name;
    }
    return text + "\n";
}

} // namespace calderine
