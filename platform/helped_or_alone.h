#pragma once

// Chooses, stretch by stretch of a long loop, whether it runs with pool
// helpers or alone. Helpers pay only while they get processors of their
// own: on a machine busy with other programs, threads that hand work to
// each other keep losing theirs, and a run can end up slower than one
// thread alone. Each stretch reports what its work cost; the next goes the
// way that was cheaper when last tried, and every kRetryEvery-th stretch
// tries the other way again, as the machine's load changes. Which way a
// stretch goes must not change what it computes.

#include <cstdint>

namespace platform {

class HelpedOrAlone {
public:
    static constexpr int kRetryEvery = 8;

    // Whether the next stretch runs with its helpers.
    bool helped() const
    {
        if (cost_[1] < 0)
            return true;
        if (cost_[0] < 0)
            return false;
        const bool helpedCheaper = cost_[1] <= cost_[0];
        return stretches_ % kRetryEvery == 0 ? !helpedCheaper : helpedCheaper;
    }

    // A stretch run helped or alone took `ms` for `units` of work (none:
    // it tells nothing).
    void ran(bool helped, double ms, int64_t units)
    {
        ++stretches_;
        if (units > 0 && ms >= 0)
            cost_[helped ? 1 : 0] = ms / double(units);
    }

private:
    double cost_[2] = {-1, -1}; // per unit alone, helped; -1 until tried
    int stretches_ = 0;
};

} // namespace platform
