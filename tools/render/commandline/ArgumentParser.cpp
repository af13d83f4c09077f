#include "tools/render/commandline/ArgumentParser.h"

#include "tools/render/audio/OutputFormat.h"
#include "tools/render/audio/SampleEncoding.h"
#include "tools/render/commandline/CommandLine.h"
#include "tools/render/commandline/OptionTable.h"
#include "tools/render/common/ExitStatus.h"
#include "tools/render/common/NumberText.h"
#include "tools/render/common/ProgramName.h"
#include "tools/render/common/StandardStream.h"
#include "tools/render/settings/PresetFile.h"

#include <algorithm>
#include <csignal>
#include <optional>

namespace calderine {

namespace {

constexpr std::string_view kEndOfOptions = "--";
constexpr std::string_view kPluginOption = "--plugin";

bool isOption(std::string_view argument) {
    return argument.size() > 1 && argument[0] == '-';
}

std::string_view optionName(std::string_view argument) {
    return argument.substr(0, argument.find('='));
}

std::string files(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " file" : " files");
}

// Whoever asks for help or the version gets it, whatever else is wrong with the line; help
// first, as it says more. Help lists the parameters of the module --plugin names.
std::optional<RenderOptions> standaloneQuery(std::span<const std::string_view> arguments) {
    std::optional<RenderOptions> query;
    std::optional<std::filesystem::path> module;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == kEndOfOptions) {
            break;
        }
        if (!isOption(argument)) {
            continue;
        }
        const std::string_view name = optionName(argument);
        if (name == kPluginOption) {
            if (name.size() < argument.size()) {
                module = std::filesystem::path(argument.substr(name.size() + 1));
            } else if (i + 1 < arguments.size()) {
                module = std::filesystem::path(arguments[++i]);
            }
            continue;
        }
        const OptionEntry* entry = OptionTable::find(argument);
        if (entry == nullptr || !entry->answers) {
            continue;
        }
        if (!query || *entry->answers == RenderAction::Help) {
            query.emplace();
            query->action = *entry->answers;
        }
    }
    if (query && query->action == RenderAction::Help) {
        query->modulePath = module;
    }
    return query;
}

// The mode a command line asks for, named as refusals name it.
struct Mode {
    OptionContext context;
    std::string_view name;
};

Mode modeOf(const CommandLine& line) {
    if (line.listPlugins) {
        return {kInListPlugins, "--list-plugins"};
    }
    if (line.info) {
        return {kInInfo, "--info"};
    }
    if (line.demo) {
        return {kInDemo, "--demo"};
    }
    if (line.options.outputFolder) {
        return {kInBatch, "--output-dir"};
    }
    if (line.operands.empty() && line.options.savePreset) {
        return {kInSavePreset, "--save-preset alone"};
    }
    return {kInRender, "INPUT OUTPUT"};
}

// Refuses options that have no meaning in the mode asked for, rather than ignore them.
void checkFits(const CommandLine& line, const Mode& mode) {
    if (mode.context == kInListPlugins && !line.operands.empty()) {
        throw UsageError("--list-plugins takes no other option or argument");
    }
    for (const std::string_view name : line.given) {
        const OptionEntry& entry = *OptionTable::find(name);
        if ((entry.appliesIn & mode.context) != 0) {
            continue;
        }
        if (mode.context == kInListPlugins) {
            throw UsageError("--list-plugins takes no other option or argument");
        }
        if (entry.appliesIn == kInBatch && (mode.context & (kInRender | kInSavePreset)) != 0) {
            throw UsageError(std::string(name) + " goes with --output-dir");
        }
        throw UsageError(std::string(name) + " does not go with " + std::string(mode.name));
    }
}

RenderOptions finishInfo(CommandLine& line) {
    if (line.operands.size() > 1) {
        throw UsageError("--info takes one module, got " + std::to_string(line.operands.size()));
    }
    RenderOptions& options = line.options;
    if (!line.operands.empty()) {
        if (options.modulePath) {
            throw UsageError("--info got a module twice: as --plugin and as an argument");
        }
        options.modulePath = std::filesystem::path(line.operands.front());
    }
    options.action = RenderAction::Info;
    return options;
}

RenderOptions finishDemo(CommandLine& line) {
    if (line.operands.size() > 1) {
        throw UsageError("--demo takes one folder, got " + std::to_string(line.operands.size()));
    }
    RenderOptions& options = line.options;
    if (!line.operands.empty()) {
        options.demoFolder = std::filesystem::path(line.operands.front());
    }
    options.action = RenderAction::Demo;
    return options;
}

// An --encoding the output's container cannot take is a mistake of the command line, found
// before any work; `output` names the container by its extension where --format does not.
void checkEncoding(const CommandLine& line, const std::filesystem::path& output) {
    const RenderOptions& options = line.options;
    if (!options.encoding) {
        return;
    }
    if (const auto why = OutputFormat::encodingProblem(options.format, output, *options.encoding)) {
        throw UsageError(*why);
    }
}

RenderOptions finishBatch(CommandLine& line) {
    if (line.operands.empty()) {
        throw UsageError("--output-dir needs at least one INPUT");
    }
    RenderOptions& options = line.options;
    // Each output takes its input's extension unless --format names one.
    for (const std::string_view input : line.operands) {
        checkEncoding(line, std::filesystem::path(input));
    }
    options.inputs.assign(line.operands.begin(), line.operands.end());
    options.action = RenderAction::Batch;
    return options;
}

RenderOptions finishRender(CommandLine& line) {
    RenderOptions& options = line.options;
    const std::size_t count = line.operands.size();
    if (count == 0) {
        throw UsageError("nothing to do: give INPUT OUTPUT, --demo or --info");
    }
    if (count == 1) {
        throw UsageError("a render takes INPUT and OUTPUT, got only one file ('" +
                         std::string(line.operands[0]) + "')");
    }
    if (count > 2) {
        throw UsageError("a render takes INPUT and OUTPUT, got " + files(count) +
                         " (many inputs go with --output-dir)");
    }
    options.input = std::filesystem::path(line.operands[0]);
    options.output = std::filesystem::path(line.operands[1]);
    if (const auto why = OutputFormat::problem(options.format, options.output)) {
        throw UsageError(*why);
    }
    checkEncoding(line, options.output);
    if (options.stems && isStandardStream(options.output)) {
        throw UsageError("--stems needs an OUTPUT file to name the stems after, not '-'");
    }
    options.action = RenderAction::Render;
    return options;
}

} // namespace

std::string ArgumentParser::usage(const std::string& effectSection) {
    return "usage: calderine-render INPUT OUTPUT [options]\n"
           "       calderine-render INPUT... --output-dir DIR [options]\n"
           "       calderine-render --demo [DIR] [options]\n"
           "       calderine-render --save-preset FILE [--preset FILE|NAME] [--set ...]\n"
           "       calderine-render --info [PLUGIN]\n"
           "       calderine-render --list-plugins\n"
           "       calderine-render --help | --version\n"
           "\n"
           "Renders the sound file INPUT through a VST 2.4 effect into OUTPUT, aligned with\n"
           "INPUT sample for sample and of the same length and sample rate. '-' as INPUT\n"
           "reads standard input; '-' as OUTPUT writes standard output (needs --format).\n"
           "\n" +
           OptionTable::helpText() + (effectSection.empty() ? "" : "\n" + effectSection) +
           "\n"
           "Exit status:\n"
           "  " +
           std::to_string(kExitSuccess) +
           "        success\n"
           "  " +
           std::to_string(kExitFailure) +
           "        the run failed: a file, the module or the effect\n"
           "  " +
           std::to_string(kExitUsage) +
           "        a mistake on the command line\n"
           "  " +
           std::to_string(kExitSignalBase) + "+N    stopped by signal N (" +
           std::to_string(kExitSignalBase + SIGINT) + " interrupted, " +
           std::to_string(kExitSignalBase + SIGTERM) + " terminated)\n";
}

std::string ArgumentParser::versionText() {
    return std::string(kProgramName) + " " + CALDERINE_VERSION + "\n";
}

RenderOptions ArgumentParser::parse(std::span<const std::string_view> arguments) const {
    if (auto query = standaloneQuery(arguments)) {
        return *query;
    }
    CommandLine line;
    line.presetFolders = presetFolders;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (optionsEnded || !isOption(argument)) {
            line.operands.push_back(argument);
            continue;
        }
        if (argument == kEndOfOptions) {
            optionsEnded = true;
            continue;
        }
        const std::string_view name = optionName(argument);
        const OptionEntry* entry = OptionTable::find(name);
        if (entry == nullptr) {
            throw UsageError("unknown option '" + std::string(name) + "'");
        }
        const bool valueInline = name.size() < argument.size();
        std::string_view value;
        if (!entry->takesValue) {
            if (valueInline) {
                throw UsageError(std::string(name) + " takes no value");
            }
        } else if (valueInline) {
            value = argument.substr(name.size() + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            throw UsageError(std::string(name) + " needs a value");
        }
        if (!entry->repeatable &&
            std::find(line.given.begin(), line.given.end(), entry->name) != line.given.end()) {
            throw UsageError(std::string(name) + " given twice");
        }
        line.given.push_back(entry->name);
        entry->take(line, value);
    }
    if (line.info && line.demo) {
        throw UsageError("--info and --demo do not go together");
    }
    const Mode mode = modeOf(line);
    checkFits(line, mode);
    // Presets first, so that --set adjusts what a preset gives.
    RenderOptions& options = line.options;
    options.assignmentOrigins.assign(options.assignments.size(), std::string());
    for (auto preset = line.presetLines.rbegin(); preset != line.presetLines.rend(); ++preset) {
        options.assignments.insert(options.assignments.begin(), preset->assignment);
        options.assignmentOrigins.insert(options.assignmentOrigins.begin(), preset->origin);
    }
    switch (mode.context) {
    case kInListPlugins:
        options = RenderOptions{};
        options.action = RenderAction::ListPlugins;
        return options;
    case kInInfo:
        return finishInfo(line);
    case kInDemo:
        return finishDemo(line);
    case kInBatch:
        return finishBatch(line);
    case kInSavePreset:
        options.action = RenderAction::SavePreset;
        return options;
    default:
        return finishRender(line);
    }
}

} // namespace calderine
