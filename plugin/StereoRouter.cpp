#include "plugin/StereoRouter.h"

namespace calderine {

namespace {
constexpr double kMidSideScale = 0.5; // mid = (l + r) / 2, side = (l - r) / 2
} // namespace

StereoSample StereoRouter::processSample(double left, double right) noexcept {
    ChannelEngine& first = engines[0];
    ChannelEngine& second = engines[1];
    double mid = 0.0;
    double side = 0.0;
    switch (static_cast<StereoMode>(mode)) {
    case StereoMode::Mono: {
        // The right input is ignored and engine 1 does not advance at all.
        const double out = first.processSample(left);
        return {out, out};
    }
    case StereoMode::MidSide:
        mid = first.processSample((left + right) * kMidSideScale);
        side = second.processSample((left - right) * kMidSideScale);
        break;
    case StereoMode::Mid:
        mid = first.processSample((left + right) * kMidSideScale);
        side = second.delayLine().processSample((left - right) * kMidSideScale);
        break;
    case StereoMode::Side:
        mid = first.delayLine().processSample((left + right) * kMidSideScale);
        side = second.processSample((left - right) * kMidSideScale);
        break;
    case StereoMode::Stereo:
    default:
        return {first.processSample(left), second.processSample(right)};
    }
    return {mid + side, mid - side};
}

void StereoRouter::reset() noexcept {
    forEachEngine([](ChannelEngine& engine) { engine.reset(); });
}

void StereoRouter::setSampleRate(double sampleRate) {
    ChannelEngine::Rebuild first = ChannelEngine::build(sampleRate);
    ChannelEngine::Rebuild second = ChannelEngine::build(sampleRate);
    engines[0].adopt(std::move(first));
    engines[1].adopt(std::move(second));
}

} // namespace calderine
