// The module of this build, loaded the way a host loads it, renders what the reference build of
// the module rendered (the Linux module, when this is the Windows DLL): same input, same
// settings, same sample rates, float and double processing.
//
// The two builds run the same source with the same compiler version, so they differ only where
// the C runtimes differ: the last bits of sin, cos, exp, log and pow, used by the filter designs,
// the FFT's twiddles and window and the per-frame analysis. Carried through the processing, such
// differences stay many orders of magnitude below anything audible; kTolerance bounds them with a
// wide margin and would still catch any real divergence (a lost parameter, a shifted frame, a
// different code path), which shows up at 1e-3 and above.
#include "tests/module/ParityRender.h"
#include "tests/support/BuiltModule.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <iostream>
#include <limits>
#include <map>
#include <string>

namespace calderine {
namespace {

// Largest difference allowed between the two builds' samples, at a full scale of 1.0.
constexpr double kTolerance = 1e-10;
// Below this RMS a track counts as silent, and two settings' tracks as the same.
constexpr double kAudibleRms = 1e-2;

const std::map<std::string, std::vector<double>>& referenceTracks() {
    static const auto tracks = [] {
        std::map<std::string, std::vector<double>> byName;
        for (parity::Track& track : parity::readTracks(CALDERINE_PARITY_REFERENCE)) {
            byName.emplace(track.name, std::move(track.samples));
        }
        return byName;
    }();
    return tracks;
}

double rms(const std::vector<double>& samples) {
    double sum = 0.0;
    for (const double x : samples) {
        sum += x * x;
    }
    return samples.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(samples.size()));
}

double rmsOfDifference(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> difference(std::min(a.size(), b.size()));
    for (std::size_t n = 0; n < difference.size(); ++n) {
        difference[n] = a[n] - b[n];
    }
    return rms(difference);
}

// A float sample may round to the neighbouring float when its double value moves by far less
// than kTolerance, so float tracks may also differ by one step of the float grid.
double allowedDifference(const std::string& trackName, double reference) {
    if (trackName.find("/float/") == std::string::npos) {
        return kTolerance;
    }
    const auto magnitude = static_cast<float>(std::fabs(reference));
    return kTolerance +
           static_cast<double>(std::nextafter(magnitude, std::numeric_limits<float>::infinity()) -
                               magnitude);
}

class RenderParity : public testing::TestWithParam<float> {};

TEST_P(RenderParity, EqualsTheReferenceBuildsRender) {
    const float rate = GetParam();
    const std::vector<parity::Track> tracks = parity::render(builtModule(), rate);
    const auto& reference = referenceTracks();
    ASSERT_FALSE(tracks.empty());

    // Largest differences seen, for the log: double tracks, float tracks.
    std::map<std::string, double> largest = {{"double", 0.0}, {"float", 0.0}};
    for (const parity::Track& track : tracks) {
        SCOPED_TRACE(track.name);
        const auto found = reference.find(track.name);
        ASSERT_NE(found, reference.end()) << "the reference render has no such track";
        const std::vector<double>& expected = found->second;
        ASSERT_EQ(track.samples.size(), expected.size());
        EXPECT_GT(rms(expected), kAudibleRms) << "the reference track is silent";

        std::size_t mismatches = 0;
        std::size_t first = 0;
        for (std::size_t n = 0; n < expected.size(); ++n) {
            const double difference = std::fabs(track.samples[n] - expected[n]);
            double& seen =
                largest[track.name.find("/float/") == std::string::npos ? "double" : "float"];
            seen = std::max(seen, difference);
            // Written so that a NaN on either side counts as a mismatch.
            if (!(difference <= allowedDifference(track.name, expected[n])) && mismatches++ == 0) {
                first = n;
            }
        }
        EXPECT_EQ(mismatches, 0u) << "first at sample " << first << ": " << track.samples[first]
                                  << " here, " << expected[first] << " in the reference";
    }
    std::cout << "largest difference at " << rate << " Hz: " << largest["double"]
              << " (double processing), " << largest["float"] << " (float processing)\n";
}

// Guards the comparison against passing vacuously: the settings must reach the effect, so
// that different settings render clearly different tracks.
TEST_P(RenderParity, SettingsChangeTheRender) {
    const std::string rate = std::to_string(static_cast<long long>(GetParam()));
    const auto& reference = referenceTracks();
    for (const char* setting : {"shaped", "side"}) {
        for (const char* track : {"/double/left", "/double/right", "/float/left"}) {
            SCOPED_TRACE(std::string(setting) + track);
            const auto plain = reference.find(rate + "/default" + track);
            const auto changed = reference.find(rate + "/" + setting + track);
            ASSERT_NE(plain, reference.end());
            ASSERT_NE(changed, reference.end());
            EXPECT_GT(rmsOfDifference(plain->second, changed->second), kAudibleRms);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SampleRates, RenderParity, testing::ValuesIn(parity::kSampleRates),
                         [](const testing::TestParamInfo<float>& info) {
                             return std::to_string(static_cast<long long>(info.param)) + "Hz";
                         });

} // namespace
} // namespace calderine
