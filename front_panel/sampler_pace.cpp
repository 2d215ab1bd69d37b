#include "front_panel/sampler_pace.h"

#include <cmath>

void SamplerPace::restart(double now) {
    origin_ = now;
    counted_ = 0;
}

int SamplerPace::due(double now) {
    // To the nearest second, so a timer that fires a little early still counts its tick.
    const long long passed = std::llround(now - origin_);
    long long n = passed - counted_;
    if (n <= 0)
        return 0;
    if (n > kMaxCatchUp) {
        counted_ = passed - kMaxCatchUp;
        n = kMaxCatchUp;
    }
    counted_ += n;
    return static_cast<int>(n);
}
