#include "tools/render/SettingsProbe.h"

#include "host/AudioEffect.h"
#include "tools/render/ParameterResolver.h"
#include "tools/render/ProgramName.h"
#include "tools/vsthost/HostedEffect.h"
#include "tools/vsthost/PluginModule.h"

namespace calderine {

SettingsProbe::SettingsProbe(const std::filesystem::path& module)
    : effect(std::make_unique<HostedEffect>(std::make_shared<const PluginModule>(module))) {
    // The order of a render: open, rate and block size, then parameters.
    effect->dispatch(effOpen);
    effect->setSampleRate(AudioEffect::kDefaultSampleRate);
    effect->setBlockSize(kDefaultBlockFrames);
}

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
