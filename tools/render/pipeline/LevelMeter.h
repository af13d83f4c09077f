// Peak and RMS level of a sound file over all its channels, read back from disk so that
// the numbers describe what was written, quantisation included.
#pragma once

#include <filesystem>
#include <string>

namespace calderine {

struct Levels {
    double peak = 0.0; // largest magnitude, 1.0 = full scale
    double rms = 0.0;
};

class LevelMeter {
public:
    static Levels measure(const std::filesystem::path& file);
    // "-6.0 dBFS", or "-inf dBFS" for silence.
    static std::string decibels(double level);
};

} // namespace calderine
