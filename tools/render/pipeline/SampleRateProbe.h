// Whether an effect took the sample rate a render needs. The protocol has no answer to "which
// rate are you at?", and an effect may ignore a rate it cannot serve and go on at the one it
// had, so a render would sound wrong without a word. What a host can see is the latency: if
// it depends on the rate, it also depends on the rate set before whenever the new one was
// ignored.
#pragma once

#include <filesystem>

namespace calderine {

class HostedEffect;

class SampleRateProbe {
public:
    // probe: an opened, suspended instance, left at some rate afterwards. False when the
    // effect's latency does not follow the rate: such an effect gives nothing away.
    static bool ignores(HostedEffect& probe, int rate);

    // Throws HostError when the effect is seen to ignore the rate of input.
    static void require(HostedEffect& probe, int rate, const std::filesystem::path& input);
};

} // namespace calderine
