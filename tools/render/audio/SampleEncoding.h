// How samples are stored inside a container (libsndfile's subtype), and which encodings carry
// an input's precision into another container.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace calderine {

class SampleEncoding {
public:
    // The names --encoding accepts, separated by ", ", and the subtype each stands for.
    static std::string knownNames();
    static std::optional<int> byName(std::string_view name);
    // The --encoding name of a subtype; empty for one it does not offer.
    static std::string nameOf(int subtype);

    // Subtypes that keep what an input of this subtype holds, best first: its own bit depth,
    // then the nearest that is no coarser. Empty for lossy, companded and ADPCM encodings,
    // whose decoded samples have no bit depth of their own.
    static std::vector<int> keeping(int inputSubtype);

    // True where samples beyond full scale survive: floating point only. The lossy codecs
    // take floating point too, but their decoders, players and every integer file made from
    // them clip what lies beyond, so they count as clipping.
    static bool holdsOvers(int subtype);
};

} // namespace calderine
