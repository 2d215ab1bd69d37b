// The sampler's pace by the clock. The sampler timer fires about every second, but a timer's
// period drifts (960 ms is 4 % short of a second); counting one tick per whole second that
// passed keeps the sample clock, which advances by whole seconds, with the PC's clock.
#pragma once

class SamplerPace {
public:
    // Counting starts afresh at `now` (seconds on the monotonic clock): seconds before it,
    // such as those of a paused sampler, are never counted.
    void restart(double now);
    // Ticks due since the last call: the whole seconds passed since the start, less those already
    // counted. After a stall this is every second the stall took.
    long long due(double now);

private:
    double origin_ = 0;
    long long counted_ = 0;
};
