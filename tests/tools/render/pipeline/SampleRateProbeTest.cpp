// The generic check that a module took a sample rate, against the built module, whose latency
// follows the rate, and the stand-in, whose latency never changes.
#include "tools/render/pipeline/SampleRateProbe.h"

#include "tests/support/BuiltModule.h"
#include "tests/tools/render/pipeline/RateCases.h"
#include "tools/vsthost/HostedEffect.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace calderine {
namespace {

// What a host can tell of any effect without knowing it: the latency after a rate must not
// depend on the rate set before, unless the rate was ignored.
TEST(SampleRateProbe, TellsIgnoredRatesFromTheLatency) {
    for (const RateCase& c : kRateCases) {
        SCOPED_TRACE(std::to_string(c.rate) + " Hz");
        HostedEffect probe(builtModule());
        probe.dispatch(effOpen);
        EXPECT_EQ(SampleRateProbe::ignores(probe, c.rate), !c.served);
    }
}

// An effect whose latency never changes gives nothing away; it must not be refused.
TEST(SampleRateProbe, AcceptsAnyRateOfAnEffectWithFixedLatency) {
    HostedEffect probe(std::make_shared<const PluginModule>(CALDERINE_FAKE_DELAY_MODULE));
    probe.dispatch(effOpen);
    for (const int rate : {1, 44100, 1000000000}) {
        EXPECT_FALSE(SampleRateProbe::ignores(probe, rate)) << rate;
    }
}

} // namespace
} // namespace calderine
