#include "effect/StereoRouter.h"

#include <algorithm>

namespace calderine {

namespace {
constexpr double kMidSideScale = 0.5; // mid = (l + r) / 2, side = (l - r) / 2
} // namespace

void StereoRouter::processBlock(double* left, double* right, std::size_t count) noexcept {
    ChannelEngine& first = engines[0];
    ChannelEngine& second = engines[1];
    const auto routing = static_cast<StereoMode>(mode);
    const bool midSide =
        routing == StereoMode::MidSide || routing == StereoMode::Mid || routing == StereoMode::Side;
    // Which separators advance; the other engine is idle or only its delay line runs.
    const bool firstRuns = routing != StereoMode::Side;
    const bool secondRuns = routing != StereoMode::Mono && routing != StereoMode::Mid;
    while (count > 0) {
        std::uint32_t length = ChannelEngine::kMaxSegment;
        length = firstRuns ? std::min(length, first.segmentLimit()) : length;
        length = secondRuns ? std::min(length, second.segmentLimit()) : length;
        length = static_cast<std::uint32_t>(std::min<std::size_t>(length, count));

        if (midSide) {
            for (std::uint32_t i = 0; i < length; ++i) {
                const double l = left[i];
                const double r = right[i];
                left[i] = (l + r) * kMidSideScale;
                right[i] = (l - r) * kMidSideScale;
            }
        }
        switch (routing) {
        case StereoMode::Mono:
            first.processSegment(left, left, length);
            std::copy_n(left, length, right);
            break;
        case StereoMode::MidSide:
            ChannelEngine::processSegmentPair(first, left, left, second, right, right, length);
            break;
        case StereoMode::Mid:
            first.processSegment(left, left, length);
            second.delayLine().processBlock(right, right, length);
            break;
        case StereoMode::Side:
            first.delayLine().processBlock(left, left, length);
            second.processSegment(right, right, length);
            break;
        case StereoMode::Stereo:
        default:
            ChannelEngine::processSegmentPair(first, left, left, second, right, right, length);
            break;
        }
        if (midSide) {
            for (std::uint32_t i = 0; i < length; ++i) {
                const double m = left[i];
                const double s = right[i];
                left[i] = m + s;
                right[i] = m - s;
            }
        }
        // The frame work of both channels, after the samples that come before it.
        if (firstRuns && secondRuns) {
            ChannelEngine::completeFramesPair(first, second);
        } else if (firstRuns) {
            first.completeFrames();
        } else if (secondRuns) {
            second.completeFrames();
        }
        left += length;
        right += length;
        count -= length;
    }
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
