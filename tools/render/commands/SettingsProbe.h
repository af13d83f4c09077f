// An instance of the effect set up as a render sets it up, to try the settings asked for
// before any file is touched and to read back the settings in force as the effect shows them.
#pragma once

#include "tools/render/commandline/RenderOptions.h"
#include "tools/render/settings/PresetFile.h"

#include <filesystem>
#include <memory>
#include <ostream>
#include <vector>

namespace calderine {

class HostedEffect;
class PluginModule;

class SettingsProbe {
public:
    // Opens an instance of the module at the default sample rate; throws HostError.
    explicit SettingsProbe(const std::filesystem::path& module);
    ~SettingsProbe();

    SettingsProbe(const SettingsProbe&) = delete;
    SettingsProbe& operator=(const SettingsProbe&) = delete;

    // Applies the assignments in order. Throws ParameterError, whose message starts with
    // the assignment's origin ("FILE:LINE: ") where `origins` gives one. A value taken as the
    // nearest the effect has is reported to `notes` (if given), one line each.
    void apply(const std::vector<ParameterAssignment>& assignments,
               const std::vector<std::string>& origins, std::ostream* notes = nullptr);

    // Every parameter, in index order, as the effect shows it now.
    std::vector<Setting> settings();

private:
    std::unique_ptr<HostedEffect> effect;
};

} // namespace calderine
