#include "tools/render/pipeline/SampleRateProbe.h"

#include "tools/vsthost/HostError.h"
#include "tools/vsthost/HostedEffect.h"

#include <cstdint>
#include <string>

namespace calderine {

namespace {

// Two rates every effect is expected to serve, far enough apart for any latency that follows
// the rate to differ between them.
constexpr int kFirstReferenceRate = 44100;
constexpr int kSecondReferenceRate = 96000;

std::int32_t latencyAfter(HostedEffect& probe, int before, int rate) {
    probe.setSampleRate(static_cast<float>(before));
    probe.setSampleRate(static_cast<float>(rate));
    return probe.latency();
}

std::string whole(double number) {
    return std::to_string(static_cast<long long>(number));
}

} // namespace

bool SampleRateProbe::ignores(HostedEffect& probe, int rate) {
    return latencyAfter(probe, kFirstReferenceRate, rate) !=
           latencyAfter(probe, kSecondReferenceRate, rate);
}

void SampleRateProbe::require(HostedEffect& probe, int rate, const std::filesystem::path& input) {
    // Appended rather than added: GCC 12 warns falsely about "'" + string.
    std::string problem(1, '\'');
    problem += input.string();
    problem += "' is at " + whole(rate) + " Hz, a rate the effect of '";
    problem += probe.module().path().string();
    problem += "'";
    if (ignores(probe, rate)) {
        throw HostError(problem + " ignores: it would go on at the rate it had");
    }
}

} // namespace calderine
