#include "engine/ChannelEngine.h"

#include <cmath>
#include <gtest/gtest.h>

namespace calderine {
namespace {

double decibelsAt(const TiltFilter& filter, double hertz, double sampleRate) {
    return 20.0 * std::log10(filter.magnitudeAt(hertz / sampleRate));
}

// The parameter setters design each filter for the rate they are given, around 650 Hz with 10 dB
// per shelf (tilts) or 5 dB per shelf (emphasis) at full scale. Figures from the shelf formulas
// evaluated by a separate program.
TEST(ChannelEngineShaping, SettersDesignTheTiltLaws) {
    ChannelEngine engine;
    engine.setToneTilt(1.0, 44100.0);
    engine.setNoiseTilt(0.5, 48000.0);
    engine.setEmphasis(1.0, 48000.0);

    struct Point {
        const TiltFilter& filter;
        double sampleRate;
        double hertz;
        double decibels;
    };
    const Point points[] = {
        {engine.toneTilt(), 44100.0, 0.0, -15.0},
        {engine.toneTilt(), 44100.0, 650.0, -0.023438080491},
        {engine.toneTilt(), 44100.0, 6500.0, 9.846325618091},
        {engine.toneTilt(), 44100.0, 22050.0, 15.0},
        {engine.noiseTilt(), 48000.0, 0.0, -7.5},
        {engine.noiseTilt(), 48000.0, 650.0, -0.009584350678},
        {engine.noiseTilt(), 48000.0, 24000.0, 7.5},
        {engine.emphasis(), 48000.0, 0.0, -7.5},
        {engine.emphasis(), 48000.0, 65.0, -4.914660299236},
        {engine.emphasis(), 48000.0, 6500.0, 4.924244649917},
        {engine.emphasis(), 48000.0, 24000.0, 7.5},
        // De-emphasis is the exact inverse.
        {engine.deEmphasis(), 48000.0, 0.0, 7.5},
        {engine.deEmphasis(), 48000.0, 65.0, 4.914660299236},
        {engine.deEmphasis(), 48000.0, 6500.0, -4.924244649917},
        {engine.deEmphasis(), 48000.0, 24000.0, -7.5},
    };
    for (const Point& p : points) {
        EXPECT_NEAR(decibelsAt(p.filter, p.hertz, p.sampleRate), p.decibels, 1e-8)
            << p.hertz << " Hz at " << p.sampleRate;
    }
}

// Value 0 is flat for every filter, at any rate.
TEST(ChannelEngineShaping, ZeroValuesAreFlat) {
    ChannelEngine engine;
    engine.setToneTilt(1.0, 44100.0);
    engine.setEmphasis(1.0, 44100.0);
    engine.setToneTilt(0.0, 44100.0);
    engine.setNoiseTilt(0.0, 96000.0);
    engine.setEmphasis(0.0, 44100.0);
    for (const TiltFilter* filter :
         {&engine.toneTilt(), &engine.noiseTilt(), &engine.emphasis(), &engine.deEmphasis()}) {
        for (const double frequency : {0.0, 0.001, 0.01, 0.1, 0.5}) {
            EXPECT_NEAR(filter->magnitudeAt(frequency), 1.0, 1e-12) << frequency;
        }
    }
}

} // namespace
} // namespace calderine
