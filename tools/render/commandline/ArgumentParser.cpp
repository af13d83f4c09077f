#include "tools/render/commandline/ArgumentParser.h"

#include "tools/render/audio/OutputFormat.h"
#include "tools/render/audio/SampleEncoding.h"
#include "tools/render/common/ExitStatus.h"
#include "tools/render/common/NumberText.h"
#include "tools/render/common/ProgramName.h"
#include "tools/render/common/StandardStream.h"
#include "tools/render/settings/PresetFile.h"

#include <csignal>
#include <optional>
#include <vector>

namespace calderine {

namespace {

constexpr std::string_view kHelpOption = "--help";
constexpr std::string_view kShortHelpOption = "-h";
constexpr std::string_view kVersionOption = "--version";
constexpr std::string_view kEndOfOptions = "--";

// Whoever asks for help or the version gets it, whatever else is wrong with the line; help
// first, as it says more.
std::optional<RenderAction> standaloneQuery(std::span<const std::string_view> arguments) {
    std::optional<RenderAction> query;
    for (const std::string_view argument : arguments) {
        if (argument == kEndOfOptions) {
            break;
        }
        if (argument == kHelpOption || argument == kShortHelpOption) {
            return RenderAction::Help;
        }
        if (argument == kVersionOption) {
            query = RenderAction::Version;
        }
    }
    return query;
}

bool isOption(std::string_view argument) {
    return argument.size() > 1 && argument[0] == '-';
}

// What the options seen so far ask for, before the operands are matched to an action.
struct Collected {
    RenderOptions options;
    bool info = false;
    bool demo = false;
    bool listPlugins = false;
    std::vector<PresetLine> presetLines;      // applied before every --set
    std::vector<std::string_view> renderOnly; // options that make no sense with --info
    std::vector<std::string_view> given;      // options that take a value, to refuse repeats
    std::vector<std::string_view> operands;
};

ParameterAssignment assignment(std::string_view option, std::string_view text, bool normalised) {
    const auto equals = text.find('=');
    if (equals == std::string_view::npos || equals == 0) {
        throw UsageError(std::string(option) + " takes NAME=VALUE, got '" + std::string(text) +
                         "'");
    }
    return {std::string(text.substr(0, equals)), std::string(text.substr(equals + 1)), normalised};
}

void once(Collected& collected, std::string_view option) {
    for (const std::string_view seen : collected.given) {
        if (seen == option) {
            throw UsageError(std::string(option) + " given twice");
        }
    }
    collected.given.push_back(option);
}

// Options of the form --name VALUE (or --name=VALUE), as takesValue() lists them.
void takeValued(Collected& collected, std::string_view option, std::string_view value) {
    RenderOptions& options = collected.options;
    if (option == "--plugin") {
        once(collected, option);
        options.modulePath = std::filesystem::path(value);
        return;
    }
    if (option == "--set" || option == "--set-normalized") {
        options.assignments.push_back(assignment(option, value, option == "--set-normalized"));
    } else if (option == "--block") {
        once(collected, option);
        const auto frames = parseCount(value, kMaxBlockFrames);
        if (!frames || *frames < 1) {
            throw UsageError("--block takes a number of frames from 1 to " +
                             std::to_string(kMaxBlockFrames) + ", got '" + std::string(value) +
                             "'");
        }
        options.blockFrames = static_cast<int>(*frames);
    } else if (option == "--precision") {
        once(collected, option);
        if (value == "float") {
            options.precision = SamplePrecision::Float;
        } else if (value == "double") {
            options.precision = SamplePrecision::Double;
        } else {
            throw UsageError("--precision takes float or double, got '" + std::string(value) + "'");
        }
    } else if (option == "--format") {
        once(collected, option);
        if (const auto why = OutputFormat::problem(std::string(value), {})) {
            throw UsageError(*why);
        }
        options.format = std::string(value);
    } else if (option == "--encoding") {
        once(collected, option);
        options.encoding = SampleEncoding::byName(value);
        if (!options.encoding) {
            throw UsageError("--encoding takes one of " + SampleEncoding::knownNames() + ", got '" +
                             std::string(value) + "'");
        }
    } else if (option == "--channels") {
        once(collected, option);
        if (value != "1" && value != "2") {
            throw UsageError("--channels takes 1 or 2, got '" + std::string(value) + "'");
        }
        options.channels = value == "1" ? 1 : 2;
    } else if (option == "--quality") {
        once(collected, option);
        const auto quality = parseNumber(value);
        if (!quality) {
            throw UsageError("--quality takes a number, got '" + std::string(value) + "'");
        }
        options.quality = *quality;
    } else if (option == "--preset") {
        const auto read = PresetFile::read(std::filesystem::path(value));
        collected.presetLines.insert(collected.presetLines.end(), read.begin(), read.end());
    } else if (option == "--save-preset") {
        once(collected, option);
        options.savePreset = std::filesystem::path(value);
    } else if (option == "--output-dir") {
        once(collected, option);
        options.outputFolder = std::filesystem::path(value);
    } else if (option == "--jobs") {
        once(collected, option);
        const auto jobs = parseCount(value, kMaxJobs);
        if (!jobs || *jobs < 1) {
            throw UsageError("--jobs takes a number from 1 to " + std::to_string(kMaxJobs) +
                             ", got '" + std::string(value) + "'");
        }
        options.jobs = static_cast<int>(*jobs);
    }
    collected.renderOnly.push_back(option);
}

bool takesValue(std::string_view option) {
    return option == "--plugin" || option == "--set" || option == "--set-normalized" ||
           option == "--block" || option == "--precision" || option == "--format" ||
           option == "--encoding" || option == "--channels" || option == "--preset" ||
           option == "--save-preset" || option == "--output-dir" || option == "--jobs" ||
           option == "--quality";
}

void takeFlag(Collected& collected, std::string_view option) {
    if (option == "--info") {
        once(collected, option);
        collected.info = true;
    } else if (option == "--list-plugins") {
        once(collected, option);
        collected.listPlugins = true;
    } else if (option == "--demo") {
        once(collected, option);
        collected.demo = true;
    } else if (option == "--stems") {
        collected.options.stems = true;
        collected.renderOnly.push_back(option);
    } else if (option == "--quiet" || option == "-q") {
        collected.options.quiet = true;
    } else if (option == "--force") {
        collected.options.force = true;
        collected.renderOnly.push_back(option);
    } else if (option == "--accept-truncated") {
        collected.options.acceptTruncated = true;
        collected.renderOnly.push_back(option);
    } else if (option == "--keep-latency") {
        collected.options.keepLatency = true;
        collected.renderOnly.push_back(option);
    } else {
        throw UsageError("unknown option '" + std::string(option) + "'");
    }
}

RenderOptions finishInfo(Collected& collected) {
    if (!collected.renderOnly.empty()) {
        throw UsageError(std::string(collected.renderOnly.front()) + " does not go with --info");
    }
    if (collected.operands.size() > 1) {
        throw UsageError("--info takes one module, got " +
                         std::to_string(collected.operands.size()));
    }
    RenderOptions& options = collected.options;
    if (!collected.operands.empty()) {
        if (options.modulePath) {
            throw UsageError("--info got a module twice: as --plugin and as an argument");
        }
        options.modulePath = std::filesystem::path(collected.operands.front());
    }
    options.action = RenderAction::Info;
    return options;
}

RenderOptions finishDemo(Collected& collected) {
    if (collected.operands.size() > 1) {
        throw UsageError("--demo takes one folder, got " +
                         std::to_string(collected.operands.size()));
    }
    RenderOptions& options = collected.options;
    if (!collected.operands.empty()) {
        options.demoFolder = std::filesystem::path(collected.operands.front());
    }
    options.action = RenderAction::Demo;
    return options;
}

RenderOptions finishListPlugins(const Collected& collected) {
    if (!collected.operands.empty() || !collected.renderOnly.empty() || collected.info ||
        collected.demo || collected.options.modulePath) {
        throw UsageError("--list-plugins takes no other option or argument");
    }
    RenderOptions options;
    options.action = RenderAction::ListPlugins;
    return options;
}

RenderOptions finishBatch(Collected& collected) {
    if (collected.operands.empty()) {
        throw UsageError("--output-dir needs at least one INPUT");
    }
    RenderOptions& options = collected.options;
    options.inputs.assign(collected.operands.begin(), collected.operands.end());
    options.action = RenderAction::Batch;
    return options;
}

RenderOptions finishRender(Collected& collected) {
    if (collected.options.outputFolder) {
        return finishBatch(collected);
    }
    if (collected.options.jobs != 0) {
        throw UsageError("--jobs goes with --output-dir");
    }
    if (collected.operands.empty() && collected.options.savePreset) {
        collected.options.action = RenderAction::SavePreset;
        return collected.options;
    }
    if (collected.operands.empty()) {
        throw UsageError("nothing to do: give INPUT OUTPUT, --demo or --info");
    }
    if (collected.operands.size() != 2) {
        throw UsageError("a render takes INPUT and OUTPUT, got " +
                         std::to_string(collected.operands.size()) +
                         " files (many inputs go with --output-dir)");
    }
    RenderOptions& options = collected.options;
    options.input = std::filesystem::path(collected.operands[0]);
    options.output = std::filesystem::path(collected.operands[1]);
    if (const auto why = OutputFormat::problem(options.format, options.output)) {
        throw UsageError(*why);
    }
    if (options.stems && isStandardStream(options.output)) {
        throw UsageError("--stems needs an OUTPUT file to name the stems after, not '-'");
    }
    options.action = RenderAction::Render;
    return options;
}

} // namespace

std::string ArgumentParser::usage() {
    return "usage: calderine-render INPUT OUTPUT [options]\n"
           "       calderine-render INPUT... --output-dir DIR [options]\n"
           "       calderine-render --demo [DIR] [options]\n"
           "       calderine-render --info [PLUGIN]\n"
           "       calderine-render --list-plugins\n"
           "       calderine-render --help | --version\n"
           "\n"
           "Renders the sound file INPUT through a VST 2.4 effect into OUTPUT, aligned with\n"
           "INPUT sample for sample and of the same length and sample rate. '-' as INPUT\n"
           "reads standard input; '-' as OUTPUT writes standard output (needs --format).\n"
           "\n"
           "  --set NAME=VALUE          set a parameter in its own unit or choice text\n"
           "                            (Tone_Gain=-6, DryMix=25, StereoMode=M/S, Bypass=On)\n"
           "  --set-normalized NAME=V   set a parameter, by name or index, to V in 0..1\n"
           "  --preset FILE             NAME=VALUE lines as for --set, applied before --set\n"
           "  --save-preset FILE        write the settings in force as a preset (alone: only\n"
           "                            that)\n"
           "  --output-dir DIR          render every INPUT into DIR under its own name\n"
           "  --jobs N                  files rendered at once with --output-dir (default:\n"
           "                            one per core)\n"
           "  --stems                   also write OUTPUT's tone and noise parts, named\n"
           "                            after OUTPUT (out.tone.wav, out.noise.wav)\n"
           "  --block N                 frames per processing block (default 512)\n"
           "  --precision float|double  sample type handed to the effect (default float)\n"
           "  --format NAME             output format: " +
           OutputFormat::knownNames() +
           "\n"
           "                            (default: OUTPUT's extension, else INPUT's format)\n"
           "  --encoding NAME           output samples: " +
           SampleEncoding::knownNames() +
           "\n"
           "                            (default: INPUT's bit depth, else pcm24)\n"
           "  --channels 1|2            output channels (default: 1 for a mono INPUT, else 2)\n"
           "  --quality Q               encoder quality of lossy outputs, on the encoder's own\n"
           "                            scale (see the manual page)\n"
           "  --accept-truncated        render an INPUT that ends before its header says,\n"
           "                            without failing the run\n"
           "  --keep-latency            write the effect's output as it comes, latency and all\n"
           "  --force                   replace read-only output files too\n"
           "  --plugin PATH|NAME        load the VST 2.4 module PATH instead of calderine; a\n"
           "                            NAME without '/' is looked up in VST_PATH, ~/.vst,\n"
           "                            ~/.lxvst, /usr/local/lib/vst, /usr/lib/vst\n"
           "  --list-plugins            list the modules found there\n"
           "  --demo [DIR]              render built-in test material into DIR (default " +
           kDefaultDemoFolder +
           ")\n"
           "  --info [PLUGIN]           print what a host sees of the module\n"
           "  --quiet, -q               print no warnings and no progress\n"
           "  --version                 print the version\n"
           "  --help, -h                print this text\n"
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
    if (const auto query = standaloneQuery(arguments)) {
        RenderOptions answer;
        answer.action = *query;
        return answer;
    }
    Collected collected;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (optionsEnded || !isOption(argument)) {
            collected.operands.push_back(argument);
            continue;
        }
        if (argument == kEndOfOptions) {
            optionsEnded = true;
            continue;
        }
        const auto equals = argument.find('=');
        const std::string_view name = argument.substr(0, equals);
        if (!takesValue(name)) {
            if (equals != std::string_view::npos) {
                throw UsageError(std::string(name) + " takes no value");
            }
            takeFlag(collected, name);
            continue;
        }
        std::string_view value;
        if (equals != std::string_view::npos) {
            value = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            throw UsageError(std::string(name) + " needs a value");
        }
        takeValued(collected, name, value);
    }
    if (collected.listPlugins) {
        return finishListPlugins(collected);
    }
    // Presets first, so that --set adjusts what a preset gives.
    RenderOptions& options = collected.options;
    options.assignmentOrigins.assign(options.assignments.size(), std::string());
    for (auto line = collected.presetLines.rbegin(); line != collected.presetLines.rend(); ++line) {
        options.assignments.insert(options.assignments.begin(), line->assignment);
        options.assignmentOrigins.insert(options.assignmentOrigins.begin(), line->origin);
    }
    if (collected.info && collected.demo) {
        throw UsageError("--info and --demo do not go together");
    }
    if (collected.info) {
        return finishInfo(collected);
    }
    if (collected.demo) {
        return finishDemo(collected);
    }
    return finishRender(collected);
}

} // namespace calderine
