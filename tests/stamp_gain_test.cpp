// The gain of a stamp row summed eight columns at a time must equal the
// plain per-column sum for every span, sampling step and canvas rule.

#include "effects/shared/stamp_gain.h"
#include "platform/random.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using gfx::Pixel;

namespace {

// A premultiplied pixel (no colour above its alpha), transparent one time
// in `blankEvery`.
Pixel ValidPixel(platform::Random& rng, int blankEvery)
{
    if (rng.random(blankEvery) == 0)
        return 0;
    const int a = rng.random(256);
    return Pixel(a) << 24 | Pixel(rng.random(a + 1)) << 16 | Pixel(rng.random(a + 1)) << 8 | Pixel(rng.random(a + 1));
}

std::vector<Pixel> Row(platform::Random& rng, int n, int blankEvery, bool anyBytes)
{
    std::vector<Pixel> row(static_cast<size_t>(n));
    for (Pixel& p : row)
        p = anyBytes ? Pixel(rng.random(1 << 16)) << 16 | Pixel(rng.random(1 << 16)) : ValidPixel(rng, blankEvery);
    return row;
}

// Stamp, source and canvas rows, and a span of n columns at `step` from a
// small offset, its end anywhere before the next sampled column.
struct Rows {
    Rows(platform::Random& rng, int n, int step, bool anyBytes)
        : t(Row(rng, n * step + 5, 3, anyBytes)), s(Row(rng, n * step + 5, 9, anyBytes)),
          d(Row(rng, n * step + 5, 4, anyBytes))
    {
        lo = rng.random(3);
        hi = lo + (n - 1) * step + rng.random(step);
    }
    std::vector<Pixel> t, s, d;
    int lo = 0, hi = 0;
};

TEST(StampGain, WideSumMatchesPlainOverSpansStepsAndRules)
{
    platform::Random rng(21);
    int cases = 0;
    for (const bool anyBytes : {false, true})
        for (const int step : {1, 2, 3, 4, 7})
            for (const int n : {1, 7, 8, 9, 64, 301}) {
                Rows r(rng, n, step, anyBytes);
                // Some canvas pixels already match the source: the penalty case.
                for (size_t u = 0; u < r.d.size(); u += 5)
                    r.d[u] = r.s[u];
                const Pixel *t = r.t.data(), *s = r.s.data(), *d = r.d.data();
                const int lo = r.lo, hi = r.hi;
                for (const bool penalise : {false, true}) {
                    const int64_t plain = pq::RowStampGainPlain(t, s, d, lo, hi, step, penalise, 15);
                    EXPECT_EQ(pq::RowStampGain(t, s, d, lo, hi, step, penalise, 15), plain)
                        << "step " << step << " n " << n << " penalise " << penalise << " any " << anyBytes;
                    ++cases;
                }
            }
    EXPECT_EQ(cases, 120);
}

TEST(StampGain, WideErrorSumsMatchPlainOverSpansAndSteps)
{
    platform::Random rng(33);
    for (const bool anyBytes : {false, true})
        for (const int step : {1, 2, 3, 4, 7})
            for (const int n : {1, 7, 8, 9, 64, 301}) {
                const Rows r(rng, n, step, anyBytes);
                const Pixel *t = r.t.data(), *s = r.s.data(), *d = r.d.data();
                const int lo = r.lo, hi = r.hi;
                const pq::StampErrorSums plain = pq::RowStampErrorsPlain(t, s, d, lo, hi, step);
                const pq::StampErrorSums wide = pq::RowStampErrors(t, s, d, lo, hi, step);
                EXPECT_EQ(wide.before, plain.before) << "step " << step << " n " << n << " any " << anyBytes;
                EXPECT_EQ(wide.after, plain.after) << "step " << step << " n " << n << " any " << anyBytes;
                EXPECT_EQ(wide.count, plain.count) << "step " << step << " n " << n << " any " << anyBytes;
                // Without a penalty the gain is the errors' difference.
                EXPECT_EQ(pq::RowStampGain(t, s, d, lo, hi, step, false, 0),
                          plain.before - plain.after);
            }
}

TEST(StampGain, OpaqueMatchGainsTheWholeErrorAndBlankGainsNothing)
{
    // An opaque stamp of the source's own colours removes every error; a
    // transparent one changes nothing, penalised or not.
    const int n = 37;
    std::vector<Pixel> s(n), d(n), blank(n, 0u);
    int64_t before = 0;
    for (int u = 0; u < n; ++u) {
        s[size_t(u)] = 0xff000000u | Pixel(u * 6) << 16 | Pixel(200 - u) << 8 | Pixel(u);
        d[size_t(u)] = u % 3 == 0 ? s[size_t(u)] : 0xff808080u;
        if (u % 3 != 0)
            before += std::abs(u * 6 - 128) + std::abs(200 - u - 128) + std::abs(u - 128);
    }
    EXPECT_EQ(pq::RowStampGain(s.data(), s.data(), d.data(), 0, n - 1, 1, false, 35), before);
    // Penalised, the 13 columns that already matched cost 35 each.
    EXPECT_EQ(pq::RowStampGain(s.data(), s.data(), d.data(), 0, n - 1, 1, true, 35), before - 13 * 35);
    EXPECT_EQ(pq::RowStampGain(blank.data(), s.data(), d.data(), 0, n - 1, 1, true, 35), 0);
}

} // namespace
