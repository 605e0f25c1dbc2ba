#include "looks.h"

namespace looks {
namespace {

// Hues in degrees: red 0, orange 30, yellow 60, green 120, cyan 180,
// blue 220, purple 280, magenta 320.

// Clean and cool, crisp midtones; blues and cyans (sky, glass) clear, warm
// light held back.
RGB Architecture(RGB c)
{
    static const Curve kCurve{{0.0, 0.0}, {0.2, 0.16}, {0.5, 0.5}, {0.8, 0.84}, {1.0, 1.0}};
    c = Balance(c, 0.97, 1.0, 1.05);
    c = ToneOnLuma(c, kCurve);
    c = HueBands(c, {{30, 50, 0.8}, {60, 40, 0.85}, {120, 60, 0.85}, {200, 50, 1.15, 5}, {230, 40, 1.1}});
    c = Saturate(c, 0.92);
    c = SplitTone(c, 210, 0.05, 200, 0.02);
    return c;
}

// Cold, moody blue: blue shadows and mids, warm colours muted.
RGB Blues(RGB c)
{
    static const Curve kCurve{{0.0, 0.02}, {0.25, 0.21}, {0.55, 0.53}, {0.85, 0.86}, {1.0, 0.97}};
    c = Balance(c, 0.9, 0.98, 1.14);
    c = ToneOnLuma(c, kCurve);
    c = HueBands(c, {{20, 60, 0.7}, {60, 50, 0.6}, {120, 60, 0.75, 25}, {210, 60, 1.3, 5, -0.05}});
    c = SplitTone(c, 222, 0.16, 205, 0.07, 0.55);
    return c;
}

// Teal shadows, orange highlights, punchy and saturated.
RGB CinematicSaturation(RGB c)
{
    static const Curve kCurve{{0.0, 0.0}, {0.2, 0.14}, {0.5, 0.5}, {0.8, 0.86}, {1.0, 1.0}};
    c = ToneOnLuma(c, kCurve);
    c = HueBands(c, {{25, 40, 1.25}, {90, 60, 0.8, 28}, {150, 60, 1.0, 18}, {220, 50, 1.2, -14}});
    c = Saturate(c, 1.22);
    c = SplitTone(c, 190, 0.15, 32, 0.12, 0.5);
    return c;
}

// Teal and orange with soft contrast, a touch of lifted black and muted
// colour, like a graded film still.
RGB Cinematic(RGB c)
{
    static const Curve kCurve{{0.0, 0.035}, {0.2, 0.17}, {0.5, 0.49}, {0.8, 0.82}, {1.0, 0.96}};
    c = ToneOnLuma(c, kCurve);
    c = HueBands(c, {{25, 40, 1.1}, {90, 60, 0.7, 25}, {150, 60, 0.85, 15}, {220, 50, 0.95, -14}});
    c = Saturate(c, 0.88);
    c = SplitTone(c, 188, 0.11, 35, 0.1, 0.5);
    return c;
}

// Skies turned toward a clear, bright cyan; the rest stays natural.
RGB CyanSkies(RGB c)
{
    static const Curve kCurve{{0.0, 0.0}, {0.25, 0.23}, {0.5, 0.5}, {0.75, 0.77}, {1.0, 1.0}};
    c = ToneOnLuma(c, kCurve);
    c = HueBands(c, {{215, 45, 1.25, -13, 0.1}, {190, 30, 1.2, 0, 0.06}, {245, 35, 1.1, -12}});
    c = Vibrance(c, 0.15);
    return c;
}

// Print-film contrast: dense blacks, a soft shoulder, warm mids, cool
// shadows, olive greens.
RGB FilmPrint(RGB c)
{
    static const Curve kToe{{0.0, 0.0}, {0.12, 0.06}, {0.3, 0.25}, {0.5, 0.52}, {0.75, 0.8}, {1.0, 0.96}};
    static const Curve kRed{{0.0, 0.0}, {0.5, 0.52}, {1.0, 1.0}};
    static const Curve kBlue{{0.0, 0.025}, {0.5, 0.48}, {1.0, 0.97}};
    c = {kRed(c.r), c.g, kBlue(c.b)};
    c = ToneOnLuma(c, kToe);
    c = Shoulder(c, 0.8);
    c = HueBands(c, {{0, 40, 1.1}, {110, 60, 0.75, -18}, {200, 60, 0.85}});
    c = SplitTone(c, 195, 0.08, 40, 0.06);
    c = Saturate(c, 0.95);
    return c;
}

// Faded warm film: lifted matte blacks, creamy highlights, green-tinged
// shadows, gentle colour.
RGB FilmTone1(RGB c)
{
    static const Curve kCurve{{0.0, 0.0}, {0.25, 0.22}, {0.5, 0.5}, {0.75, 0.78}, {1.0, 1.0}};
    c = ToneOnLuma(c, kCurve);
    c = HueBands(c, {{20, 40, 1.05}, {110, 60, 0.7, -15}, {210, 60, 0.8}});
    c = Saturate(c, 0.85);
    c = Fade(c, 0.075, 0.95);
    c = SplitTone(c, 165, 0.07, 42, 0.09, 0.5);
    return c;
}

// Cool film: teal greens, rosy skin, blue-green shadows and faintly magenta
// highlights, crisp with a slight fade.
RGB FilmTone2(RGB c)
{
    static const Curve kCurve{{0.0, 0.0}, {0.2, 0.16}, {0.5, 0.5}, {0.8, 0.83}, {1.0, 1.0}};
    c = ToneOnLuma(c, kCurve);
    c = HueBands(c, {{15, 35, 1.0, -6}, {100, 60, 0.9, 25}, {150, 50, 1.0, 10}, {220, 50, 1.05}});
    c = Fade(c, 0.04, 0.98);
    c = SplitTone(c, 195, 0.1, 330, 0.05, 0.5);
    c = Saturate(c, 0.95);
    return c;
}

// Low golden sun: warm balance, golden highlights, glowing oranges.
RGB GoldenHour(RGB c)
{
    static const Curve kCurve{{0.0, 0.01}, {0.25, 0.25}, {0.5, 0.53}, {0.8, 0.84}, {1.0, 0.99}};
    c = Balance(c, 1.07, 1.0, 0.88);
    c = ToneOnLuma(c, kCurve);
    c = HueBands(c, {{30, 45, 1.2, 0, 0.05}, {55, 35, 1.1, -6}, {120, 60, 0.9, -12}, {220, 60, 0.9}});
    c = SplitTone(c, 15, 0.04, 40, 0.1, 0.45);
    return c;
}

// Tone compression kept natural: open shadows, held highlights, a little
// more colour.
RGB HdrNatural(RGB c)
{
    static const Curve kCurve{{0.0, 0.0}, {0.08, 0.12}, {0.25, 0.32}, {0.5, 0.53}, {0.8, 0.79}, {1.0, 0.96}};
    c = ToneOnLuma(c, kCurve);
    c = Vibrance(c, 0.35);
    c = Saturate(c, 1.05);
    return c;
}

// The strong HDR look: shadows pulled far up, highlights down, saturated.
RGB Hdr(RGB c)
{
    static const Curve kCurve{{0.0, 0.0}, {0.08, 0.13}, {0.3, 0.36}, {0.45, 0.5}, {0.6, 0.64}, {0.8, 0.77},
                             {1.0, 0.95}};
    c = ToneOnLuma(c, kCurve);
    c = Vibrance(c, 0.45);
    c = Saturate(c, 1.2);
    c = HueBands(c, {{220, 60, 1.1, 0, -0.06}, {30, 40, 1.1}});
    return c;
}

// Slide film of the old days: bright reds and yellows, deep blue skies,
// strong contrast, warm neutral.
RGB Kodachrome(RGB c)
{
    static const Curve kCurve{{0.0, 0.0}, {0.15, 0.1}, {0.5, 0.51}, {0.85, 0.9}, {1.0, 1.0}};
    c = Balance(c, 1.04, 1.0, 0.93);
    c = ToneOnLuma(c, kCurve);
    c = HueBands(c, {{0, 35, 1.4, 4, -0.04},
                     {45, 35, 1.3, 4},
                     {120, 50, 1.05, -12},
                     {215, 45, 1.35, 8, -0.15}});
    c = Saturate(c, 1.1);
    return c;
}

// Black and white with dark skies and deep blacks, as through a red filter.
RGB MonochromeArtistic(RGB c)
{
    static const Curve kCurve{{0.0, 0.0}, {0.15, 0.06}, {0.35, 0.28}, {0.5, 0.5}, {0.7, 0.76}, {1.0, 1.0}};
    const RGB g = Monochrome(c, 0.5, 0.42, 0.08);
    return Tone(Grey(kCurve(g.r)), 220, 0.012);
}

// Even black and white: the eye's own weights, a gentle curve, neutral grey.
RGB MonochromeBalanced(RGB c)
{
    static const Curve kCurve{{0.0, 0.0}, {0.25, 0.23}, {0.5, 0.5}, {0.75, 0.77}, {1.0, 1.0}};
    const RGB g = Monochrome(c, 0.3, 0.59, 0.11);
    return Grey(kCurve(g.r));
}

// Old print: warm sepia tone, faded blacks, soft cream highlights.
RGB MonochromeVintage(RGB c)
{
    static const Curve kCurve{{0.0, 0.0}, {0.25, 0.24}, {0.5, 0.52}, {0.8, 0.8}, {1.0, 0.96}};
    const RGB g = Monochrome(c, 0.35, 0.5, 0.15);
    const RGB faded = Fade(Grey(kCurve(g.r)), 0.08, 0.96);
    return Tone(faded, 36, 0.08);
}

// Flattering skin: warm soft light, open shadows, even skin tones, quieter
// background colours.
RGB Portrait(RGB c)
{
    static const Curve kCurve{{0.0, 0.02}, {0.25, 0.27}, {0.5, 0.53}, {0.8, 0.82}, {1.0, 0.98}};
    c = Balance(c, 1.04, 1.0, 0.96);
    c = ToneOnLuma(c, kCurve);
    c = HueBands(c, {{10, 30, 0.9, 8, 0.04}, {30, 30, 0.95, 0, 0.04}, {120, 70, 0.8}, {220, 60, 0.85}});
    c = SplitTone(c, 20, 0.03, 35, 0.04);
    return c;
}

// Deep, dense colour with firm contrast.
RGB RichColors(RGB c)
{
    static const Curve kCurve{{0.0, 0.0}, {0.2, 0.17}, {0.5, 0.49}, {0.8, 0.83}, {1.0, 1.0}};
    c = ToneOnLuma(c, kCurve);
    c = Saturate(c, 1.35);
    c = HueBands(c, {{0, 40, 1.1, 0, -0.06}, {120, 60, 1.1, 0, -0.06}, {220, 60, 1.1, 0, -0.08}});
    return c;
}

// Bright and airy with lively colour: lifted midtones, soft highlights.
RGB VibrantLight(RGB c)
{
    static const Curve kCurve{{0.0, 0.02}, {0.2, 0.27}, {0.5, 0.62}, {0.8, 0.88}, {1.0, 1.0}};
    c = ToneOnLuma(c, kCurve);
    c = Vibrance(c, 0.55);
    c = Saturate(c, 1.08);
    c = Balance(c, 1.0, 1.0, 1.02);
    return c;
}

} // namespace

const std::vector<Look>& BuiltInLooks()
{
    static const std::vector<Look> kAll = {
        {"Architecture", 33, Architecture},
        {"Blues", 33, Blues},
        {"Cinematic saturation", 33, CinematicSaturation},
        {"Cinematic", 33, Cinematic},
        {"Cyan skies", 33, CyanSkies},
        {"Film print", 32, FilmPrint},
        {"Film tone 1", 32, FilmTone1},
        {"Film tone 2", 32, FilmTone2},
        {"Golden hour", 33, GoldenHour},
        {"HDR natural", 33, HdrNatural},
        {"HDR", 33, Hdr},
        {"Kodachrome", 32, Kodachrome},
        {"Monochrome artistic", 25, MonochromeArtistic},
        {"Monochrome balanced", 25, MonochromeBalanced},
        {"Monochrome vintage", 25, MonochromeVintage},
        {"Portrait", 33, Portrait},
        {"Rich colors", 33, RichColors},
        {"Vibrant light", 33, VibrantLight},
    };
    return kAll;
}

} // namespace looks
