// A snapshot of everything a host can read from an effect without processing audio.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace calderine {

class HostedEffect;

struct ParameterInfo {
    std::int32_t index = 0;
    std::string name;
    std::string label;
    std::string display;
    float normalised = 0.0f;
};

struct EffectInfo {
    std::filesystem::path modulePath;
    std::string entryName;
    std::string effectName;
    std::string vendorString;
    std::string productString;
    std::intptr_t vendorVersion = 0;
    std::int32_t version = 0;
    std::int32_t uniqueId = 0;
    std::int32_t numInputs = 0;
    std::int32_t numOutputs = 0;
    std::int32_t flags = 0;
    std::int32_t initialDelay = 0;
    std::int32_t numPrograms = 0;
    std::int32_t currentProgram = 0;
    std::string programName;
    std::vector<ParameterInfo> parameters;
};

EffectInfo collectEffectInfo(HostedEffect& effect);

} // namespace calderine
