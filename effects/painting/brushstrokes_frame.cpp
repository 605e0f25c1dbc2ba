#include "effects/painting/brushstrokes_frame.h"

#include "effects/shared/brush_stamps.h"
#include "engine/runtime/effect_api.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <cmath>
#include <numbers>
#include <vector>

namespace pq {
namespace {

constexpr int kMarks = 38;
constexpr int kGrid = 10; // the band's difference looks at every 10th row and column

struct Mark {
    StampCell cell;
    float angle = 0.0f;
};

std::vector<Mark> CutFrameMarks(const gfx::Image& atlas)
{
    const int cs = atlas.width() == 2000 ? 250 : atlas.width() / 5;
    std::vector<Mark> marks;
    if (cs <= 0)
        return marks;
    for (int i = 0; i < kMarks; ++i) {
        Mark m;
        m.cell = StampCell::fromDarkness(atlas, QRect(cs * (i % 5), cs * (i / 5), cs, cs), 2.5);
        m.angle = BrushOrientationAngle(m.cell, 1, 1.0);
        marks.push_back(std::move(m));
    }
    return marks;
}

inline int64_t ColourSSD(gfx::Pixel a, gfx::Pixel b)
{
    int64_t sum = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = int((a >> shift) & 255u) - int((b >> shift) & 255u);
        sum += int64_t(d) * d;
    }
    return sum;
}

struct Band {
    int ox = 0, oy = 0;
    int width = 0, height = 0;
    double baseAngle = 0.0;
    bool vertical = false;  // fades along x
    bool fromFar = false;   // the fade's full end lies at the far side (bottom, right)
};

// The generator `steps` draws later: seed * a^k + c * (a^(k-1) + ... + 1).
platform::Random Skipped(platform::Random rng, uint64_t steps)
{
    uint32_t mul = 1, add = 0;                 // the composed step so far
    uint32_t stepMul = 134775813u, stepAdd = 1; // the step applied 2^i times
    for (; steps != 0; steps >>= 1) {
        if (steps & 1) {
            mul *= stepMul;
            add = add * stepMul + stepAdd;
        }
        stepAdd = stepAdd * stepMul + stepAdd;
        stepMul *= stepMul;
    }
    rng.setSeed(rng.seed() * mul + add);
    return rng;
}

// The bands' common progress, 10..90, told by whichever band gets there
// first; one report at a time.
class BandProgress {
public:
    BandProgress(const std::function<void(int)>& progress, int64_t stamps) : progress_(progress), stamps_(stamps) {}

    void add(int64_t stamps)
    {
        done_.fetch_add(stamps, std::memory_order_relaxed);
        if (!progress_ || !lock_.try_lock())
            return;
        const int64_t done = done_.load(std::memory_order_relaxed);
        progress_(10 + int(80 * std::min(done, stamps_) / std::max<int64_t>(stamps_, 1)));
        lock_.unlock();
    }

private:
    const std::function<void(int)>& progress_;
    const int64_t stamps_;
    std::atomic<int64_t> done_{0};
    std::mutex lock_;
};

// Draws each stamp takes from the generator, accepted or not.
constexpr uint64_t kDrawsPerStamp = 5;

class FramePainter {
public:
    FramePainter(const gfx::Image& picture, gfx::Pixel border, int bw, float brush, std::vector<Mark> marks)
        : p_(picture), border_(border), bw_(bw), brush_(brush), w_(picture.width()), h_(picture.height()),
          marks_(std::move(marks)), stampSide_(2 * (platform::Ceil(brush * 0.5 * 1.415) + 3))
    {
    }

    // Stamps per band, less one.
    int lastStamp() const { return platform::Round(double(w_ + h_) * 3.5); }

    // Paints band `b` with its own generator `rng` (positioned where the
    // band's first draw lies), counting its stamps into `report`.
    gfx::Surface paintBand(const Band& b, platform::Random rng, BandProgress& report) const
    {
        StampSurface stampSurface(stampSide_);
        gfx::Surface current = gfx::Surface::make(b.width, b.height);
        if (current.isNull())
            return current;
        current.clear();
        std::vector<gfx::Pixel> target(size_t(b.width) * size_t(b.height));
        for (int y = 0; y < b.height; ++y)
            for (int x = 0; x < b.width; ++x)
                target[size_t(y) * size_t(b.width) + size_t(x)] = pictureOver(b.ox - bw_ + x, b.oy - bw_ + y);
        int64_t trueSsd = 0;
        for (int y = 0; y < b.height; y += kGrid)
            for (int x = 0; x < b.width; x += kGrid)
                trueSsd += ColourSSD(target[size_t(y) * size_t(b.width) + size_t(x)], current.row(y)[x]);
        int64_t err = trueSsd;

        const int n = lastStamp();
        std::vector<gfx::Pixel> saved;
        for (int m = 0; m <= n; ++m) {
            if (m % 50 == 49)
                report.add(50);
            const float u = float(rng.randomReal()) * float(b.width);
            const float v = float(rng.randomReal()) * float(b.height);
            const int cx = platform::Round(u), cy = platform::Round(v);
            const int px = platform::Round(double(b.ox - bw_) + u), py = platform::Round(double(b.oy - bw_) + v);
            // The picture's own premultiplied pixel is the tint colour as it is.
            const gfx::Pixel k = px >= 0 && px < w_ && py >= 0 && py < h_ ? p_.pixel(px, py) : border_;
            const int mark = rng.random(kMarks);
            const double turn = b.baseAngle + (rng.randomReal() * std::numbers::pi / 6.0 - 0.2617993877991494) -
                                double(marks_[size_t(mark)].angle);
            const float s = float(rng.randomReal()) * 0.15f + 0.85f;
            const float size = brush_ * s;

            Stamp stamp;
            stamp.cell = &marks_[size_t(mark)].cell;
            stamp.colour = k;
            stamp.angle = turn;
            stamp.width = stamp.height = size;
            stamp.sampling = StampSampling::Linear;
            const int c = stampSurface.centre();
            const QRect window = WindowOnCanvas(stampSurface.rect(), c, cx, cy, b.width, b.height);
            if (window.isEmpty())
                continue;
            DrawStamp(stampSurface, stamp, window);
            const QRect drawn = stampSurface.dirtyRect().intersected(window);
            if (drawn.isEmpty())
                continue;
            const QRect box = drawn.translated(cx - c, cy - c);
            saved.resize(size_t(box.width()) * size_t(box.height()));
            for (int y = box.top(); y <= box.bottom(); ++y)
                std::copy_n(current.row(y) + box.left(), box.width(),
                            saved.data() + size_t(y - box.top()) * size_t(box.width()));
            const int64_t before = gridSsd(target, current, b.width, box);
            CommitStamp(stampSurface, drawn, current, cx, cy);
            const int64_t candidate = trueSsd + gridSsd(target, current, b.width, box) - before;
            if (m % 2 == 1) {
                trueSsd = candidate;
            } else if (candidate < err) {
                trueSsd = err = candidate;
            } else {
                for (int y = box.top(); y <= box.bottom(); ++y)
                    std::copy_n(saved.data() + size_t(y - box.top()) * size_t(box.width()), box.width(),
                                current.row(y) + box.left());
            }
        }
        return current;
    }

    // The band keeps its alpha over the outer 70 % and falls to 64/255 of
    // it at the picture's side; it is then laid over the layer.
    static void fadeAndLay(const Band& b, const gfx::Surface& current, gfx::Surface& layer)
    {
        if (current.isNull())
            return;
        const int thickness = b.vertical ? b.width : b.height;
        std::vector<float> fade(static_cast<size_t>(thickness));
        for (int i = 0; i < thickness; ++i) {
            double t = (i + 0.5) / thickness;
            if (b.fromFar)
                t = 1.0 - t;
            fade[size_t(i)] = t <= 0.7 ? 1.0f : float(1.0 + (std::min(t, 1.0) - 0.7) / 0.3 * (64.0 / 255.0 - 1.0));
        }
        for (int y = 0; y < b.height; ++y) {
            const int ly = b.oy + y;
            if (ly < 0 || ly >= layer.height())
                continue;
            const gfx::Pixel* src = current.row(y);
            gfx::Pixel* dst = layer.row(ly);
            for (int x = 0; x < b.width; ++x) {
                const int lx = b.ox + x;
                if (lx < 0 || lx >= layer.width() || src[x] == 0)
                    continue;
                const float f = fade[size_t(b.vertical ? x : y)];
                gfx::Pixel faded = 0;
                for (int shift = 0; shift < 32; shift += 8)
                    faded |= gfx::Pixel(platform::Round(float((src[x] >> shift) & 255u) * f)) << shift;
                dst[lx] = StampOver(faded, dst[lx]);
            }
        }
    }

private:
    // The picture over the border colour at picture position (x, y).
    gfx::Pixel pictureOver(int x, int y) const
    {
        if (x < 0 || x >= w_ || y < 0 || y >= h_)
            return border_;
        return StampOver(p_.pixel(x, y), border_);
    }

    static int64_t gridSsd(const std::vector<gfx::Pixel>& target, const gfx::Surface& current, int width,
                           const QRect& box)
    {
        int64_t sum = 0;
        const int y0 = (box.top() + kGrid - 1) / kGrid * kGrid, x0 = (box.left() + kGrid - 1) / kGrid * kGrid;
        for (int y = y0; y <= box.bottom(); y += kGrid)
            for (int x = x0; x <= box.right(); x += kGrid)
                sum += ColourSSD(target[size_t(y) * size_t(width) + size_t(x)], current.row(y)[x]);
        return sum;
    }

    const gfx::Image& p_;
    const gfx::Pixel border_;
    const int bw_;
    const float brush_;
    const int w_, h_;
    const std::vector<Mark> marks_;
    const int stampSide_;
};

void DrawOver(const gfx::Image& image, gfx::Surface& onto, int ox, int oy)
{
    for (int y = 0; y < image.height(); ++y) {
        const int ty = oy + y;
        if (ty < 0 || ty >= onto.height())
            continue;
        const gfx::Pixel* s = image.row(y);
        gfx::Pixel* d = onto.row(ty);
        for (int x = 0; x < image.width(); ++x) {
            const int tx = ox + x;
            if (tx >= 0 && tx < onto.width() && s[x] != 0)
                d[tx] = StampOver(s[x], d[tx]);
        }
    }
}

} // namespace

BrushstrokesFrameLayers PaintBrushstrokesFrame(const gfx::Image& source, const gfx::Image& atlas, QRgb borderColor,
                                               int borderWidth, int brushSize, const std::function<void(int)>& progress)
{
    BrushstrokesFrameLayers layers;
    if (source.isNull() || atlas.isNull())
        return layers;
    const int w = source.width(), h = source.height();
    const int bw = std::max(borderWidth, 0);
    const int64_t outW = int64_t(w) + 2 * int64_t(bw), outH = int64_t(h) + 2 * int64_t(bw);
    if (outW > INT32_MAX || outH > INT32_MAX || !gfx::IsSaneSize(int(outW), int(outH)))
        return layers;
    const float brush = float(std::clamp(brushSize, 5, 1000));
    const int t = platform::Round(brush * 1.2);

    const bool transparent = !source.isOpaque();
    const gfx::Pixel border = transparent ? 0u : gfx::Pixel(qPremultiply(borderColor));
    if (progress)
        progress(5);
    std::vector<Mark> marks = CutFrameMarks(atlas);
    if (marks.empty())
        return layers;
    if (progress)
        progress(10);

    gfx::Surface layer = gfx::Surface::make(int(outW), int(outH));
    if (layer.isNull())
        return layers;
    layer.clearPixel(border);
    for (int y = bw + 1; y < bw + h - 1; ++y)
        std::fill(layer.row(y) + bw + 1, layer.row(y) + bw + w - 1, gfx::Pixel(0));
    layers.plainBorder = layer.snapshot();

    const Band bands[] = {
        {bw, bw - t / 2 - 6, w, t, 0.0, false, false},
        {bw, bw + h - t / 2 + 10, w, t, 0.0, false, true},
        {bw - t / 2 - 6, bw, t, h, std::numbers::pi / 2.0, true, false},
        {bw + w - t / 2 + 10, bw, t, h, std::numbers::pi / 2.0, true, true},
    };
    // The bands are painted side by side, each with the generator where its
    // draws begin, and laid in their order: the same pixels as one by one.
    const FramePainter painter(source, border, bw, brush, std::move(marks));
    platform::Random& rng = RunRandom();
    const uint64_t drawsPerBand = kDrawsPerStamp * uint64_t(painter.lastStamp() + 1);
    std::array<gfx::Surface, 4> painted;
    BandProgress report{progress, 4 * (int64_t(painter.lastStamp()) + 1)};
    platform::ParallelForRange(0, 4, 1, [&](int i, int) {
        painted[size_t(i)] = painter.paintBand(bands[i], Skipped(rng, drawsPerBand * uint64_t(i)), report);
    });
    rng = Skipped(rng, 4 * drawsPerBand);
    for (int i = 0; i < 4; ++i)
        FramePainter::fadeAndLay(bands[i], painted[size_t(i)], layer);
    if (progress)
        progress(90);
    layers.border = layer.snapshot();
    layers.background = transparent ? 0u : 0xFFFFFFFFu;
    layers.borderWidth = bw;
    return layers;
}

gfx::Image ComposeFramed(const gfx::Image& picture, const gfx::Image& border, const BrushstrokesFrameLayers& layers)
{
    if (border.isNull() || picture.isNull())
        return gfx::Image();
    gfx::Surface out = gfx::Surface::make(border.width(), border.height());
    if (out.isNull())
        return gfx::Image();
    out.clearPixel(layers.background);
    DrawOver(picture, out, layers.borderWidth, layers.borderWidth);
    DrawOver(border, out, 0, 0);
    return out.snapshot();
}

gfx::Image ApplyBrushstrokesFrame(const gfx::Image& source, const gfx::Image& atlas, QRgb borderColor,
                                  int borderWidth, int brushSize)
{
    // An atlas too narrow for a single cell gives no marks.
    if (source.isNull() || atlas.isNull() || atlas.width() < 5)
        return source;
    const BrushstrokesFrameLayers layers = PaintBrushstrokesFrame(source, atlas, borderColor, borderWidth, brushSize);
    return ComposeFramed(source, layers.border, layers);
}

} // namespace pq
