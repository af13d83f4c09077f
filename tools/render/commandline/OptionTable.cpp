#include "tools/render/commandline/OptionTable.h"

#include "tools/render/audio/OutputFormat.h"
#include "tools/render/audio/SampleEncoding.h"
#include "tools/render/commandline/ArgumentParser.h"
#include "tools/render/common/NumberText.h"
#include "tools/render/settings/PresetLocator.h"

#include <array>

namespace calderine {

namespace {

// Where the help texts start, and the width they are wrapped to.
constexpr std::size_t kHelpColumn = 28;
constexpr std::size_t kHelpWidth = 79;

// Everything a render writes to or reads from a file; --info, --list-plugins and a bare
// --save-preset have no use for them.
constexpr unsigned kRendering = kInRender | kInBatch | kInDemo | kInSavePreset;
// Settings of the effect: anything that loads it.
constexpr unsigned kSetting = kRendering;

std::string quoted(std::string_view value) {
    std::string text(1, '\'');
    text += value;
    return text + '\'';
}

ParameterAssignment assignment(std::string_view option, std::string_view text, bool normalised) {
    const auto equals = text.find('=');
    if (equals == std::string_view::npos || equals == 0) {
        throw UsageError(std::string(option) + " takes NAME=VALUE, got " + quoted(text));
    }
    return {std::string(text.substr(0, equals)), std::string(text.substr(equals + 1)), normalised};
}

void takeSet(CommandLine& line, std::string_view value) {
    line.options.assignments.push_back(assignment("--set", value, false));
}

void takeSetNormalised(CommandLine& line, std::string_view value) {
    line.options.assignments.push_back(assignment("--set-normalized", value, true));
}

void takePreset(CommandLine& line, std::string_view value) {
    const auto read = PresetFile::read(PresetLocator::resolve(value, line.presetFolders));
    line.presetLines.insert(line.presetLines.end(), read.begin(), read.end());
}

void takeSavePreset(CommandLine& line, std::string_view value) {
    line.options.savePreset = std::filesystem::path(value);
}

void takeOutputFolder(CommandLine& line, std::string_view value) {
    line.options.outputFolder = std::filesystem::path(value);
}

void takeJobs(CommandLine& line, std::string_view value) {
    const auto jobs = parseCount(value, kMaxJobs);
    if (!jobs || *jobs < 1) {
        throw UsageError("--jobs takes a number from 1 to " + std::to_string(kMaxJobs) + ", got " +
                         quoted(value));
    }
    line.options.jobs = static_cast<int>(*jobs);
}

void takeBlock(CommandLine& line, std::string_view value) {
    const auto frames = parseCount(value, kMaxBlockFrames);
    if (!frames || *frames < 1) {
        throw UsageError("--block takes a number of frames from 1 to " +
                         std::to_string(kMaxBlockFrames) + ", got " + quoted(value));
    }
    line.options.blockFrames = static_cast<int>(*frames);
}

void takePrecision(CommandLine& line, std::string_view value) {
    if (value == "float") {
        line.options.precision = SamplePrecision::Float;
    } else if (value == "double") {
        line.options.precision = SamplePrecision::Double;
    } else {
        throw UsageError("--precision takes float or double, got " + quoted(value));
    }
}

void takeFormat(CommandLine& line, std::string_view value) {
    if (const auto why = OutputFormat::problem(std::string(value), {})) {
        throw UsageError(*why);
    }
    line.options.format = std::string(value);
}

void takeEncoding(CommandLine& line, std::string_view value) {
    line.options.encoding = SampleEncoding::byName(value);
    if (!line.options.encoding) {
        throw UsageError("--encoding takes one of " + SampleEncoding::knownNames() + ", got " +
                         quoted(value));
    }
}

void takeChannels(CommandLine& line, std::string_view value) {
    if (value != "1" && value != "2") {
        throw UsageError("--channels takes 1 or 2, got " + quoted(value));
    }
    line.options.channels = value == "1" ? 1 : 2;
}

void takeQuality(CommandLine& line, std::string_view value) {
    const auto quality = parseNumber(value);
    if (!quality) {
        throw UsageError("--quality takes a number, got " + quoted(value));
    }
    line.options.quality = *quality;
}

void takePlugin(CommandLine& line, std::string_view value) {
    line.options.modulePath = std::filesystem::path(value);
}

std::string formatNames() {
    return OutputFormat::knownNames();
}

std::string encodingNames() {
    return SampleEncoding::knownNames();
}

std::string demoFolder() {
    return kDefaultDemoFolder;
}

// clang-format off
const std::array kOptions{
    OptionEntry{"--set", "", "NAME=VALUE", true, true, kSetting,
        "set a parameter to a value it shows, a number in its unit or one of its words "
        "(Tone_Gain=-6, Tone_Gain=-6dB, DryMix=25, StereoMode=M/S, Bypass=On)",
        nullptr, &takeSet, {}},
    OptionEntry{"--set-normalized", "", "NAME=V", true, true, kSetting,
        "set a parameter, by name or index, to V in 0..1", nullptr, &takeSetNormalised, {}},
    OptionEntry{"--preset", "", "FILE|NAME", true, true, kSetting,
        "NAME=VALUE lines as for --set, applied before --set; a NAME without '/' or "
        "extension is one of the presets listed below",
        nullptr, &takePreset, {}},
    OptionEntry{"--save-preset", "", "FILE", true, false, kSetting,
        "write the settings in force as a preset (alone: only that)", nullptr,
        &takeSavePreset, {}},
    OptionEntry{"--output-dir", "", "DIR", true, false, kInBatch,
        "render every INPUT into DIR under its own name", nullptr, &takeOutputFolder, {}},
    OptionEntry{"--jobs", "", "N", true, false, kInBatch,
        "files rendered at once with --output-dir (default: one per core)", nullptr,
        &takeJobs, {}},
    OptionEntry{"--stems", "", "", false, true, kRendering,
        "also write OUTPUT's tone and noise parts, named after OUTPUT (out.tone.wav, "
        "out.noise.wav)",
        nullptr, [](CommandLine& line, std::string_view) { line.options.stems = true; }, {}},
    OptionEntry{"--block", "", "N", true, false, kRendering,
        "frames per processing block (default 512)", nullptr, &takeBlock, {}},
    OptionEntry{"--precision", "", "float|double", true, false, kRendering,
        "sample type handed to the effect (default float)", nullptr, &takePrecision, {}},
    OptionEntry{"--format", "", "NAME", true, false, kRendering,
        "output format: {} (default: OUTPUT's extension, else INPUT's format)", &formatNames,
        &takeFormat, {}},
    OptionEntry{"--encoding", "", "NAME", true, false, kRendering,
        "output samples: {} (default: INPUT's bit depth, else pcm24)", &encodingNames,
        &takeEncoding, {}},
    OptionEntry{"--channels", "", "1|2", true, false, kRendering,
        "output channels (default: 1 for a mono INPUT, else 2)", nullptr, &takeChannels, {}},
    OptionEntry{"--quality", "", "Q", true, false, kRendering,
        "encoder quality of lossy outputs, on the encoder's own scale (see the manual page)",
        nullptr, &takeQuality, {}},
    OptionEntry{"--accept-truncated", "", "", false, true, kRendering,
        "render an INPUT that ends before its header says, without failing the run", nullptr,
        [](CommandLine& line, std::string_view) { line.options.acceptTruncated = true; }, {}},
    OptionEntry{"--accept-nonfinite", "", "", false, true, kRendering,
        "write samples the effect gives as NaN or infinity as 0, with a warning, instead of "
        "failing the run",
        nullptr,
        [](CommandLine& line, std::string_view) { line.options.acceptNonFinite = true; }, {}},
    OptionEntry{"--keep-latency", "", "", false, true, kRendering,
        "write the effect's output as it comes, latency and all", nullptr,
        [](CommandLine& line, std::string_view) { line.options.keepLatency = true; }, {}},
    OptionEntry{"--force", "", "", false, true, kRendering,
        "replace read-only output files too", nullptr,
        [](CommandLine& line, std::string_view) { line.options.force = true; }, {}},
    OptionEntry{"--plugin", "", "PATH|NAME", true, false, kInAnything & ~kInListPlugins,
        "load the VST 2.4 module PATH instead of calderine; a NAME without '/' is looked up "
        "in VST_PATH, ~/.vst, ~/.lxvst, /usr/local/lib/vst, /usr/lib/vst",
        nullptr, &takePlugin, {}},
    OptionEntry{"--list-plugins", "", "", false, false, kInListPlugins,
        "list the modules found there", nullptr,
        [](CommandLine& line, std::string_view) { line.listPlugins = true; }, {}},
    OptionEntry{"--demo", "", "[DIR]", false, false, kInDemo,
        "render built-in test material into DIR (default {})", &demoFolder,
        [](CommandLine& line, std::string_view) { line.demo = true; }, {}},
    OptionEntry{"--info", "", "[PLUGIN]", false, false, kInInfo,
        "print what a host sees of the module", nullptr,
        [](CommandLine& line, std::string_view) { line.info = true; }, {}},
    OptionEntry{"--quiet", "-q", "", false, true, kInAnything,
        "print no warnings and no progress", nullptr,
        [](CommandLine& line, std::string_view) { line.options.quiet = true; }, {}},
    OptionEntry{"--version", "", "", false, true, kInAnything, "print the version", nullptr,
        nullptr, RenderAction::Version},
    OptionEntry{"--help", "-h", "", false, true, kInAnything, "print this text", nullptr,
        nullptr, RenderAction::Help},
};
// clang-format on

std::string expanded(const OptionEntry& entry) {
    std::string text(entry.help);
    if (const auto at = text.find("{}"); at != std::string::npos && entry.detail != nullptr) {
        text.replace(at, 2, entry.detail());
    }
    return text;
}

// Words wrapped into lines of at most kHelpWidth, each after kHelpColumn columns (the first
// line's lead is `lead`, padded to the column or followed by a line of its own).
std::string wrapped(const std::string& lead, const std::string& text) {
    std::string out = lead;
    std::size_t column = lead.size();
    if (column + 1 > kHelpColumn) {
        out += '\n';
        column = 0;
    }
    bool lineEmpty = true;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find(' ', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string_view word(text.data() + start, end - start);
        if (!lineEmpty && column + 1 + word.size() > kHelpWidth) {
            out += '\n';
            column = 0;
            lineEmpty = true;
        }
        if (lineEmpty) {
            out.append(kHelpColumn - column, ' ');
            column = kHelpColumn;
        } else {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        lineEmpty = false;
        start = end + 1;
    }
    return out + "\n";
}

} // namespace

std::span<const OptionEntry> OptionTable::entries() {
    return kOptions;
}

const OptionEntry* OptionTable::find(std::string_view spelled) {
    for (const OptionEntry& entry : kOptions) {
        if (spelled == entry.name || (!entry.alias.empty() && spelled == entry.alias)) {
            return &entry;
        }
    }
    return nullptr;
}

std::string OptionTable::helpText() {
    std::string text;
    for (const OptionEntry& entry : kOptions) {
        std::string lead(2, ' ');
        lead += entry.name;
        if (!entry.alias.empty()) {
            lead += ", ";
            lead += entry.alias;
        }
        if (!entry.placeholder.empty()) {
            lead += ' ';
            lead += entry.placeholder;
        }
        text += wrapped(lead, expanded(entry));
    }
    return text;
}

} // namespace calderine
