// The module renders what the golden files hold: the sound of the effect, pinned. A failure here
// means that what users hear has changed; if that is intended, regenerate the files with
// calderine_golden_render (see golden/README.md) and say why in the commit.
#include "tests/module/GoldenRender.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace calderine {
namespace {

// Far below anything audible (-180 dBFS), far above the rounding noise of a rearranged but
// equivalent computation (about 1e-13 here), and far below any real change of the sound: a
// changed design constant, a shifted frame or a lost setting moves samples by 1e-4 or more.
constexpr double kTolerance = 1e-9;

class GoldenRender : public ::testing::TestWithParam<std::string> {
protected:
    static std::shared_ptr<const PluginModule> module() {
        static const auto loaded = std::make_shared<const PluginModule>(CALDERINE_MODULE_PATH);
        return loaded;
    }
};

// A float sample is the double result rounded to float: a change of the double value far
// below kTolerance may still move it to the neighbouring float.
double allowedDifference(const golden::Excerpt& excerpt, double expected) {
    if (excerpt.name.starts_with("float/")) {
        const auto value = static_cast<float>(expected);
        return std::max(kTolerance,
                        static_cast<double>(
                            std::nextafter(std::fabs(value), std::numeric_limits<float>::max()) -
                            std::fabs(value)));
    }
    return kTolerance;
}

TEST_P(GoldenRender, MatchesTheStoredExcerpts) {
    const golden::CaseRender expected = golden::readCase(CALDERINE_GOLDEN_DIR, GetParam());
    const golden::CaseRender actual = golden::renderCase(module(), GetParam());
    ASSERT_EQ(actual.excerpts.size(), expected.excerpts.size());
    std::size_t compared = 0;
    double energy = 0.0;
    for (std::size_t e = 0; e < expected.excerpts.size(); ++e) {
        const golden::Excerpt& want = expected.excerpts[e];
        const golden::Excerpt& got = actual.excerpts[e];
        ASSERT_EQ(got.name, want.name);
        ASSERT_EQ(got.samples.size(), want.samples.size());
        double worst = 0.0;
        std::size_t worstAt = 0;
        for (std::size_t n = 0; n < want.samples.size(); ++n) {
            const double excess = std::fabs(got.samples[n] - want.samples[n]) -
                                  allowedDifference(want, want.samples[n]);
            if (!(excess <= worst)) {
                worst = std::isnan(excess) ? std::numeric_limits<double>::infinity() : excess;
                worstAt = n;
            }
            energy += want.samples[n] * want.samples[n];
            ++compared;
        }
        EXPECT_EQ(worst, 0.0) << want.name << ": sample " << want.start + worstAt << " is "
                              << got.samples[worstAt] << ", golden " << want.samples[worstAt];
    }
    // The comparison must have had something to compare: excerpts of real signal.
    EXPECT_GT(compared, 0u);
    EXPECT_GT(energy, 1.0);
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenRender, ::testing::ValuesIn(golden::caseNames()),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

} // namespace
} // namespace calderine
