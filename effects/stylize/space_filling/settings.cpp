#include "effects/stylize/space_filling/settings.h"

#include "platform/numeric.h"

#include <algorithm>
#include <numbers>

namespace pq::stylize {

MosaicSettings DeriveMosaicSettings(int w, int h, int p1, int p2, int p3, int p4, int p5, bool preview)
{
    p1 = std::clamp(p1, -kSliderGuard, kSliderGuard);
    p2 = std::clamp(p2, -kSliderGuard, kSliderGuard);
    p3 = std::clamp(p3, -kSliderGuard, kSliderGuard);
    p4 = std::clamp(p4, -kSliderGuard, kSliderGuard);
    p5 = std::clamp(p5, -kSliderGuard, kSliderGuard);
    MosaicSettings s;
    s.largestHalf = float(p3) / 100.0f * 58.0f + 2.0f;
    s.largestHalf = std::min(s.largestHalf, float(std::min(w, h)) * 0.45f);
    // Never below what "min size" 0 gives: smaller sizes would shrink for
    // ever without reaching the end of the levels.
    s.smallestHalf = std::max(1.5f, float(p2) / 100.0f * 6.5f + 1.5f);
    if (s.smallestHalf > s.largestHalf * 0.7f)
        s.smallestHalf = std::max(1.5f, s.largestHalf * 0.5f);
    if (!preview) {
        s.largestHalf /= 1.5f;
        s.smallestHalf /= 1.5f;
    }
    s.baseTrials = p1 * 180 + 500;
    const float tolerance = float(p4) / 100.0f * 115.0f + 5.0f;
    s.baseColorTolSq = tolerance * tolerance;
    s.rotationSetting = std::clamp(platform::Round(double(p5) / 80.0 * 8.0) + 4, 1, kMaxRotationSetting);
    s.levelCount = CountLevels(s.largestHalf, s.smallestHalf);
    return s;
}

int CountLevels(float largestHalf, float smallestHalf)
{
    int count = 0;
    for (float s = largestHalf; s >= smallestHalf; s *= 0.93f)
        ++count;
    return std::max(1, count);
}

LevelValues DeriveLevel(MosaicShape shape, const MosaicSettings& settings, float s, float coverage)
{
    const float largest = settings.largestHalf, smallest = settings.smallestHalf;
    const float t = largest > smallest ? (s - smallest) / (largest - smallest) : 0.5f;
    const float c = coverage;
    const float trialFactor = c <= 0.78f ? c * 0.5f + 1.0f : std::max(0.45f, 1.39f - (c - 0.78f) * 2.2f);
    const float late = c > 0.85f ? std::min(1.0f, (c - 0.85f) / 0.15f) : 0.0f;
    const float small = t < 0.7f ? (0.7f - t) / 0.7f : 0.0f;
    float sizeRatio = largest / std::max(1.0f, s);
    sizeRatio = largest * 0.5f > s ? std::min(8.0f, sizeRatio * sizeRatio) : std::min(5.0f, sizeRatio);
    if (sizeRatio < 1.0f)
        sizeRatio = 1.0f;
    const float damping = s > 15.0f ? std::max(0.5f, 15.0f / s) : 1.0f;

    LevelValues v;
    v.contourFrac = t * 0.4f + 0.1f;
    float trials;
    if (shape == MosaicShape::Disc) {
        v.edgeRejectLevel = std::min(0.9f, t * 0.25f + 0.15f + small * 0.55f + late * 0.45f);
        v.colorTolSq = settings.baseColorTolSq * (small * 3.5f + 1.0f + late * 2.0f);
        trials = float(settings.baseTrials) * 1.6f * trialFactor * sizeRatio * damping;
    } else {
        v.edgeRejectLevel = std::min(0.85f, t * 0.25f + 0.15f + small * 0.5f + late * 0.45f);
        v.colorTolSq = settings.baseColorTolSq * (small * 2.5f + 1.0f + late * 1.5f);
        trials = float(settings.baseTrials) * trialFactor * sizeRatio * damping;
    }
    // Negative budgets (iterations far below 0) search nothing; huge ones
    // are bounded so that memory and time stay bounded.
    trials = std::clamp(trials, 0.0f, float(kMaxTrialsPerSubPass));
    v.trials = platform::Round(trials);
    return v;
}

int RotationCount(MosaicShape shape, float half, int rotationSetting)
{
    if (shape == MosaicShape::Disc || half <= 2 || half > 25)
        return 1;
    if (half > 12)
        return std::min(3, rotationSetting);
    if (half > 5)
        return std::min(5, rotationSetting);
    return rotationSetting;
}

float AngleRange(MosaicShape shape)
{
    return shape == MosaicShape::Triangle ? float(2 * std::numbers::pi / 3) : float(std::numbers::pi / 2);
}

} // namespace pq::stylize
