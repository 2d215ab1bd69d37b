#include "front_panel/sampler_pace.h"

#include <cmath>

void SamplerPace::restart(double now) {
    origin_ = now;
    counted_ = 0;
}

long long SamplerPace::due(double now) {
    // Whole seconds only: a tick is never counted before its second is over, so a sample's
    // time (the start plus whole intervals) never runs ahead of the clock by more than one.
    const long long passed = static_cast<long long>(std::floor(now - origin_));
    const long long n = passed - counted_;
    if (n <= 0)
        return 0;
    counted_ = passed;
    return n;
}
