#include "tools/render/audio/SampleEncoding.h"

#include <array>
#include <sndfile.h>
#include <utility>

namespace calderine {

namespace {

constexpr std::array<std::pair<std::string_view, int>, 5> kNamed = {{
    {"pcm16", SF_FORMAT_PCM_16},
    {"pcm24", SF_FORMAT_PCM_24},
    {"pcm32", SF_FORMAT_PCM_32},
    {"float", SF_FORMAT_FLOAT},
    {"double", SF_FORMAT_DOUBLE},
}};

} // namespace

std::string SampleEncoding::knownNames() {
    std::string names;
    for (const auto& [name, subtype] : kNamed) {
        names += names.empty() ? "" : ", ";
        names += name;
    }
    return names;
}

std::optional<int> SampleEncoding::byName(std::string_view name) {
    for (const auto& [known, subtype] : kNamed) {
        if (known == name) {
            return subtype;
        }
    }
    return std::nullopt;
}

std::string SampleEncoding::nameOf(int subtype) {
    for (const auto& [name, known] : kNamed) {
        if (known == subtype) {
            return std::string(name);
        }
    }
    return {};
}

std::vector<int> SampleEncoding::keeping(int inputSubtype) {
    switch (inputSubtype) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_DPCM_8:
        return {SF_FORMAT_PCM_S8, SF_FORMAT_PCM_U8, SF_FORMAT_PCM_16};
    case SF_FORMAT_DWVW_12:
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_ALAC_16:
    case SF_FORMAT_DWVW_16:
    case SF_FORMAT_DPCM_16:
        return {SF_FORMAT_PCM_16};
    case SF_FORMAT_ALAC_20:
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_ALAC_24:
    case SF_FORMAT_DWVW_24:
        return {SF_FORMAT_PCM_24};
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_ALAC_32:
        return {SF_FORMAT_PCM_32, SF_FORMAT_PCM_24};
    case SF_FORMAT_FLOAT:
        return {SF_FORMAT_FLOAT, SF_FORMAT_PCM_24};
    case SF_FORMAT_DOUBLE:
        return {SF_FORMAT_DOUBLE, SF_FORMAT_FLOAT, SF_FORMAT_PCM_24};
    default:
        return {};
    }
}

bool SampleEncoding::holdsOvers(int subtype) {
    switch (subtype) {
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE:
        return true;
    default:
        return false;
    }
}

} // namespace calderine
