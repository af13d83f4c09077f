// Sample rates around the range calderine serves (8 kHz to 768 kHz), for the tests of the
// tool's refusal of the others.
#pragma once

namespace calderine {

struct RateCase {
    int rate; // Hz
    bool served;
};

inline constexpr RateCase kRateCases[] = {
    {1, false},   {7999, false}, {768001, false}, {1000000000, false},
    {8000, true}, {44100, true}, {96000, true},   {768000, true},
};

} // namespace calderine
