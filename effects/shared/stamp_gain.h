#pragma once

// What laying a drawn stamp row over a canvas row gains: for every sampled
// column u whose stamp pixel T has alpha above 0, the pixel error before
// less the error after, PixelError(S, D) - PixelError(S, StampOver(T, D));
// or, when `penalise` is set and the canvas pixel already matches the
// source (error 0), minus `penalty` instead.

#include "gfx/image.h"

#include <cstdint>

namespace pq {

// The sum over columns lo, lo + step, ... up to hi of rows t (stamp),
// s (source) and d (canvas), eight columns at a time where the processor
// has AVX2. Integer sums: the same total as the plain loop.
int64_t RowStampGain(const gfx::Pixel* t, const gfx::Pixel* s, const gfx::Pixel* d, int lo, int hi, int step,
                     bool penalise, int penalty);
// The same sum, one column at a time.
int64_t RowStampGainPlain(const gfx::Pixel* t, const gfx::Pixel* s, const gfx::Pixel* d, int lo, int hi, int step,
                          bool penalise, int penalty);

// The errors before and after over the inked sampled columns of a row, and
// how many such columns there are; their difference is the gain without a
// penalty.
struct StampErrorSums {
    int64_t before = 0;
    int64_t after = 0;
    int64_t count = 0;
};
// The error sums of a whole stamp, with the inked columns whose canvas
// pixel already matches the source (error 0 before): their number and
// their errors after.
struct StampScore {
    StampErrorSums errors;
    int64_t matched = 0;
    int64_t matchedAfter = 0;

    // RowStampGain's total over the same columns.
    int64_t gain(bool penalise, int penalty) const
    {
        if (!penalise)
            return errors.before - errors.after;
        return errors.before - (errors.after - matchedAfter) - int64_t(penalty) * matched;
    }
};

StampErrorSums RowStampErrors(const gfx::Pixel* t, const gfx::Pixel* s, const gfx::Pixel* d, int lo, int hi, int step);
StampErrorSums RowStampErrorsPlain(const gfx::Pixel* t, const gfx::Pixel* s, const gfx::Pixel* d, int lo, int hi,
                                   int step);

} // namespace pq
