// What one run of calderine-render was asked to do.
#pragma once

#include "tools/render/pipeline/RenderSettings.h"
#include "tools/render/settings/ParameterAssignment.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace calderine {

enum class RenderAction { Help, Version, Info, Render, Demo, Batch, ListPlugins, SavePreset };

inline constexpr const char* kDefaultDemoFolder = "demo-out";

struct RenderOptions {
    RenderAction action = RenderAction::Help;
    // The module to load; the built calderine module when absent.
    std::optional<std::filesystem::path> modulePath;

    std::filesystem::path input;
    std::filesystem::path output;
    // A format name such as "wav" or "flac"; absent: the output's extension, else the input's.
    std::optional<std::string> format;
    // A libsndfile subtype asked for with --encoding; absent: chosen from the input.
    std::optional<int> encoding;
    // Channels of the output; absent: one for a mono input, else as many as the effect has.
    std::optional<int> channels;
    bool quiet = false; // no warnings, no progress bar
    int blockFrames = kDefaultBlockFrames;
    SamplePrecision precision = SamplePrecision::Float;
    bool keepLatency = false;
    bool stems = false;
    bool force = false; // replace read-only outputs
    // Encoder quality of lossy outputs on the encoder's own scale; absent: the encoder's default.
    std::optional<double> quality;
    // Render an input that ends before its header says it does, without failing the run.
    bool acceptTruncated = false;
    // Write samples the effect produced as NaN or infinity as 0, with a warning, instead of
    // failing the run.
    bool acceptNonFinite = false;
    std::vector<ParameterAssignment> assignments;
    // Where each assignment came from: "FILE:LINE" for a line of a --preset file, empty for
    // --set. As long as `assignments`, or empty when none came from a file.
    std::vector<std::string> assignmentOrigins;

    std::filesystem::path demoFolder = kDefaultDemoFolder;

    // Many files: each input rendered into outputFolder, `jobs` at a time (0: one per core).
    std::vector<std::filesystem::path> inputs;
    std::optional<std::filesystem::path> outputFolder;
    int jobs = 0;
    // False where the caller shows progress of its own.
    bool showProgress = true;

    // Where to save the settings in force, after the --preset files and --set.
    std::optional<std::filesystem::path> savePreset;
};

} // namespace calderine
