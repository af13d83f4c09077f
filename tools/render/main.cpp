// calderine-render: a command-line host for VST 2.4 modules.

#include "tools/render/audio/FormatChoiceError.h"
#include "tools/render/commandline/ArgumentParser.h"
#include "tools/render/commandline/StandardStreamUse.h"
#include "tools/render/commands/BatchCommand.h"
#include "tools/render/commands/DemoCommand.h"
#include "tools/render/commands/EffectHelp.h"
#include "tools/render/commands/EffectInfo.h"
#include "tools/render/commands/InfoWriter.h"
#include "tools/render/commands/ModuleLocator.h"
#include "tools/render/commands/PluginSearch.h"
#include "tools/render/commands/PresetSaver.h"
#include "tools/render/commands/RenderCommand.h"
#include "tools/render/common/ExitStatus.h"
#include "tools/render/common/FileClashError.h"
#include "tools/render/common/MessageLine.h"
#include "tools/render/common/ProgramName.h"
#include "tools/render/filesafety/TemporaryFileTable.h"
#include "tools/render/settings/ParameterResolver.h"
#include "tools/render/settings/PresetLocator.h"
#include "tools/vsthost/EffectStartup.h"
#include "tools/vsthost/HostedEffect.h"
#include "tools/vsthost/PluginModule.h"

#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

int fail(int code, const std::string& message) {
    using calderine::kProgramName;
    calderine::writeMessageLine(std::string(kProgramName) + ": " + message);
    return code;
}

int printInfo(const std::filesystem::path& module) {
    using namespace calderine;
    // Started as a render starts it: many effects name themselves only once opened.
    const auto effect = startEffect(std::make_shared<const PluginModule>(module),
                                    {kDefaultHostSampleRate, kDefaultBlockFrames});
    writeEffectInfo(std::cout, collectEffectInfo(*effect));
    return 0;
}

std::filesystem::path moduleToLoad(const calderine::RenderOptions& options,
                                   const std::filesystem::path& executable) {
    using namespace calderine;
    if (!options.modulePath) {
        return ModuleLocator(executable).locate();
    }
    const std::string given = options.modulePath->string();
    return PluginSearch::isName(given) ? PluginSearch::fromEnvironment(!options.quiet).find(given)
                                       : *options.modulePath;
}

// The parameters of the module a render would load, and the presets; a module that does not
// load costs its list, not the rest of the help.
std::string effectSection(const calderine::RenderOptions& options,
                          const std::filesystem::path& executable,
                          const std::vector<std::filesystem::path>& presetFolders) {
    using namespace calderine;
    std::string section;
    try {
        section = EffectHelp::parameters(moduleToLoad(options, executable));
    } catch (const std::exception& error) {
        section = std::string("Parameters: not listed, as no module loads: ") + error.what() + "\n";
    }
    return section + "\n" + EffectHelp::presets(presetFolders);
}

} // namespace

int main(int argc, char** argv) {
    using namespace calderine;
    try {
        const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
        const auto executable = ModuleLocator::runningExecutable(argc > 0 ? argv[0] : nullptr);
        const PresetLocator presets(executable);
        const RenderOptions options = ArgumentParser(presets.folders()).parse(arguments);
        checkStandardStreams(options);
        if (options.action == RenderAction::Help) {
            std::cout << ArgumentParser::usage(
                effectSection(options, executable, presets.folders()));
            std::cout.flush();
            return std::cout ? 0 : fail(kExitFailure, "cannot write to standard output");
        }
        if (options.action == RenderAction::Version) {
            std::cout << ArgumentParser::versionText();
            return 0;
        }
        if (options.action == RenderAction::ListPlugins) {
            PluginSearch::fromEnvironment().writeList(std::cout);
            std::cout.flush();
            return std::cout ? 0 : fail(kExitFailure, "cannot write to standard output");
        }
        const auto module = moduleToLoad(options, executable);
        if (options.action != RenderAction::Info) {
            TemporaryFileTable::installSignalHandlers();
        }
        // Every setting is tried before any file is touched.
        PresetSaver preset(options, module);
        switch (options.action) {
        case RenderAction::Info:
            printInfo(module);
            break;
        case RenderAction::Demo:
            DemoCommand(options, module).run(std::cout);
            break;
        case RenderAction::Render:
            RenderCommand(options, module).run();
            break;
        case RenderAction::Batch:
            if (BatchCommand(options, module).run(std::cerr, kProgramName) > 0) {
                return kExitFailure;
            }
            break;
        case RenderAction::SavePreset:
        case RenderAction::ListPlugins:
        case RenderAction::Help:
        case RenderAction::Version:
            break;
        }
        preset.commit();
        std::cout.flush();
        if (!std::cout) {
            return fail(kExitFailure, "cannot write to standard output");
        }
        return 0;
    } catch (const UsageError& error) {
        return fail(kExitUsage, std::string(error.what()) + " (try --help)");
    } catch (const ParameterError& error) {
        return fail(kExitUsage, error.what());
    } catch (const FileClashError& error) {
        return fail(kExitUsage, error.what());
    } catch (const FormatChoiceError& error) {
        return fail(kExitUsage, error.what());
    } catch (const std::exception& error) {
        return fail(kExitFailure, error.what());
    }
}
