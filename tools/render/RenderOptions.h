// What one run of calderine-render was asked to do.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace calderine {

enum class RenderAction { Help, Info, Render, Demo };

// The sample type handed to the effect: processReplacing or processDoubleReplacing.
enum class SamplePrecision { Float, Double };

// One --set or --set-normalized, kept as typed until the effect can answer what it means.
struct ParameterAssignment {
    std::string parameter; // a name, or for a normalised assignment also an index
    std::string value;
    bool normalised = false;
};

inline constexpr int kDefaultBlockFrames = 512;
inline constexpr const char* kDefaultDemoFolder = "demo-out";

struct RenderOptions {
    RenderAction action = RenderAction::Help;
    // The module to load; the built calderine module when absent.
    std::optional<std::filesystem::path> modulePath;

    std::filesystem::path input;
    std::filesystem::path output;
    // A format name such as "wav" or "flac"; absent: the output's extension, else the input's.
    std::optional<std::string> format;
    int blockFrames = kDefaultBlockFrames;
    SamplePrecision precision = SamplePrecision::Float;
    bool keepLatency = false;
    bool stems = false;
    bool force = false; // replace read-only outputs
    std::vector<ParameterAssignment> assignments;

    std::filesystem::path demoFolder = kDefaultDemoFolder;
};

} // namespace calderine
