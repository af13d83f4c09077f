#include "tools/render/commands/SettingsProbe.h"

#include "tools/render/common/ProgramName.h"
#include "tools/render/settings/ParameterResolver.h"
#include "tools/vsthost/EffectStartup.h"
#include "tools/vsthost/HostedEffect.h"
#include "tools/vsthost/PluginModule.h"

namespace calderine {

SettingsProbe::SettingsProbe(const std::filesystem::path& module)
    // Started as a render starts it, so that parameters follow the rate and block size.
    : effect(startEffect(std::make_shared<const PluginModule>(module),
                         {kDefaultHostSampleRate, kDefaultBlockFrames})) {}

SettingsProbe::~SettingsProbe() = default;

void SettingsProbe::apply(const std::vector<ParameterAssignment>& assignments,
                          const std::vector<std::string>& origins, std::ostream* notes) {
    ParameterResolver resolver(*effect);
    for (std::size_t i = 0; i < assignments.size(); ++i) {
        ParameterChange change;
        std::string note;
        try {
            change = resolver.resolve(assignments[i], &note);
        } catch (const ParameterError& error) {
            if (i >= origins.size() || origins[i].empty()) {
                throw;
            }
            throw ParameterError(origins[i] + ": " + error.what());
        }
        if (notes != nullptr && !note.empty()) {
            const bool located = i < origins.size() && !origins[i].empty();
            *notes << kProgramName << ": " << (located ? origins[i] + ": " : "") << note << '\n';
        }
        // Later assignments are resolved against the settings of the earlier ones.
        effect->setParameter(change.index, change.normalised);
    }
}

std::vector<Setting> SettingsProbe::settings() {
    std::vector<Setting> all;
    for (std::int32_t index = 0; index < effect->parameterCount(); ++index) {
        all.push_back({effect->parameterName(index), effect->parameterDisplay(index),
                       effect->parameterLabel(index)});
    }
    return all;
}

} // namespace calderine
