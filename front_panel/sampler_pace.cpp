#include "front_panel/sampler_pace.h"

#include <cmath>

void SamplerPace::restart(double now) {
    origin_ = now;
    counted_ = 0;
}

int SamplerPace::due(double now) {
    // Whole seconds only: a tick is never counted before its second is over, so a sample's
    // time (the start plus whole intervals) never runs ahead of the clock by more than one.
    const long long passed = static_cast<long long>(std::floor(now - origin_));
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
