#include "effects/painting/brushstrokes_2/stroke_passes.h"

#include "effects/painting/brushstrokes_2/stroke_rows.h"
#include "engine/runtime/effect_api.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"
#include "platform/tick.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace pq {
namespace {

constexpr int kPasses = 501;
constexpr uint32_t kShownEveryMs = 100;
constexpr int kPassesPerRound = 5; // every pass that reports or recomputes the tiles starts a round
constexpr int kStrokesPerCheck = 25;
constexpr int64_t kPixelsPerStroke = 48400;
constexpr double kFullTurn = 6.28;

bool RecomputesTiles(int pass)
{
    return pass == 5 || pass == 10 || pass == 15 || pass == 50 || pass == 200 || pass == 400;
}

} // namespace

StrokePassSettings DeriveStrokeSettings(int p1, int p2, int p3, int p5, bool erase, bool preview)
{
    // Iterations beyond the slider would throw hundreds of millions of
    // strokes at a large photo.
    const int iterations = std::clamp(p2, 0, 100);
    StrokePassSettings s;
    s.sizeDivisor = std::max(1, 28 - p1 / 10);
    s.strokeMultiplier = (2 * iterations) / 25 + 1;
    s.skipThreshold = 255 - 2 * iterations;
    s.abstraction = p3;
    s.acceptFactor = float(p3 / 256.0 + 1.0);
    s.opacity = p5;
    s.errorTestFromStart = !erase;
    s.preview = preview;
    return s;
}

StrokePasses::StrokePasses(gfx::Surface& picture, const std::vector<gfx::Pixel>& photo, bool hasAlpha,
                           const StrokeField& field, const std::array<BrushTipMask, 3>& masks,
                           const StrokePassSettings& settings)
    : picture_(picture), bits_(picture.row(0)), stride_(picture.stride() / qsizetype(sizeof(gfx::Pixel))),
      photo_(photo), hasAlpha_(hasAlpha), field_(field), masks_(masks), s_(settings), w_(field.w), h_(field.h),
      tiles_(field.w, field.h)
{
}

bool StrokePasses::generate(int pass, platform::Random& rng, Stroke& stroke)
{
    const int mw = mask_->width, mh = mask_->height;
    const bool guided = rng.random(100) < 90;
    int x0 = 0, y0 = 0;
    if (guided) {
        const int tile = tiles_.pick(rng);
        x0 = rng.random(StrokeTiles::kSize) + StrokeTiles::kSize * (tile % tiles_.columns()) - mw / 2;
        y0 = rng.random(StrokeTiles::kSize) + StrokeTiles::kSize * (tile / tiles_.columns()) - mh / 2;
    } else {
        x0 = rng.random(w_ - 1) - mw / 2;
        y0 = rng.random(h_ - 1) - mh / 2;
    }
    const int cx = x0 + mw / 2, cy = y0 + mh / 2;
    const bool inside = field_.inside(cx, cy);
    const int magnitude = inside ? field_.magnitude[field_.at(cx, cy)] : 0;
    if (guided && pass > 50 && inside && magnitude < rng.random(pass / 8))
        return false;
    if (!guided && rng.random(290) < s_.skipThreshold)
        return false;
    if (!guided && pass > 50 && (!inside || magnitude < rng.random(pass / 4)))
        return false;

    const bool interior = cx >= 1 && cy >= 1 && cx <= w_ - 2 && cy <= h_ - 2;
    const float angle = interior ? field_.angle[field_.at(cx, cy)] : float(rng.randomReal() * kFullTurn);
    const int bias = rng.random(100) < 70 ? -50 : 100;
    float drift = float(rng.randomReal() * 0.009 - 0.0045);
    const int steps =
        inside ? std::clamp(rng.random((500 - pass) / s_.sizeDivisor) + (2 * magnitude) / s_.sizeDivisor, 8, 150)
               : 10;
    stroke.opacity = std::clamp(rng.random(s_.opacity / 2 + pass / 30) + s_.opacity / 8, 1, 255);
    stroke.centreTile = inside ? tiles_.tileOf(cx, cy) : -1;

    // The patch: where each mask position over the picture takes its colour
    // from; the others keep the previous stroke's.
    PatchPlacement where;
    where.x0 = x0;
    where.y0 = y0;
    where.maskW = mw;
    where.maskH = mh;
    where.w = w_;
    where.h = h_;
    where.centre = int32_t(std::clamp(cy, 0, h_ - 1)) * w_ + std::clamp(cx, 0, w_ - 1);
    where.bias = bias;
    where.centreChance = s_.abstraction / 5 + 80;
    where.abstraction = s_.abstraction;
    stroke.wholePatch = x0 >= 0 && y0 >= 0 && x0 + mw <= w_ && y0 + mh <= h_;
    stroke.where = where;
    if (stroke.wholePatch) {
        ChainPatchStates(where, rng, stroke.states);
        unsettled_ = &stroke;
    } else {
        settlePatch();
        DrawPatchSources(where, rng, patch_);
        stroke.patch.pixel.assign(patch_.pixel.begin(), patch_.pixel.begin() + ptrdiff_t(mw) * mh);
        stroke.patch.jitter.assign(patch_.jitter.begin(), patch_.jitter.begin() + ptrdiff_t(mw) * mh);
    }

    // The path: each stamp s pixels from the start along the direction
    // reached so far, the direction bending by a drifting amount.
    const int q = errorTest_ ? 80 : 85;
    const double d1 = errorTest_ ? 0.003 : 0.002;
    float a = angle;
    stroke.stampX.clear();
    stroke.stampY.clear();
    int left = w_, top = h_, right = 0, bottom = 0;
    for (int s = 0; s <= steps; ++s) {
        const int sx = x0 + int(std::floor(s * std::cos(double(a))));
        const int sy = y0 + int(std::floor(s * std::sin(double(a))));
        stroke.stampX.push_back(sx);
        stroke.stampY.push_back(sy);
        left = std::min(left, std::max(0, sx));
        top = std::min(top, std::max(0, sy));
        right = std::max(right, std::min(w_, sx + mw));
        bottom = std::max(bottom, std::min(h_, sy + mh));
        if (rng.random(100) > q)
            drift = float(double(drift) + rng.randomReal() * d1 - d1 / 2);
        a += drift;
    }
    stroke.left = left;
    stroke.top = top;
    stroke.right = right > left && bottom > top ? right : left;
    stroke.bottom = bottom;
    stroke.outcome = Stroke::Outcome::None;
    return true;
}

void StrokePasses::settlePatch()
{
    if (unsettled_ != nullptr)
        SourcesFromStates(unsettled_->where, unsettled_->states.data(), patch_);
    unsettled_ = nullptr;
}

void StrokePasses::draw(const Stroke& stroke, TouchedPixels& touched)
{
    const int mw = mask_->width, mh = mask_->height;
    const PatchSources* patch = &stroke.patch;
    if (stroke.wholePatch) {
        SourcesFromStates(stroke.where, stroke.states.data(), touched.sources);
        patch = &touched.sources;
    }
    touched.colours.resize(size_t(mw) * size_t(mh));
    PatchColours(photo_.data(), patch->pixel.data(), patch->jitter.data(), int(touched.colours.size()),
                 touched.colours.data());
    const int bw = stroke.right - stroke.left;
    touched.mark.assign(size_t(bw) * size_t(stroke.bottom - stroke.top), 0);
    StampRows rows;
    rows.pictureStride = stride_;
    rows.photoStride = w_;
    rows.markStride = bw;
    rows.alpha = mask_->alpha.data();
    rows.colour = touched.colours.data();
    rows.maskWidth = mw;
    rows.opacity = uint32_t(stroke.opacity);
    rows.hasAlpha = hasAlpha_;
    bool any = false;
    for (size_t k = 0; k < stroke.stampX.size(); ++k) {
        const int sx = stroke.stampX[k], sy = stroke.stampY[k];
        rows.mx0 = std::max(0, -sx);
        rows.mx1 = std::min(mw, w_ - sx);
        rows.my0 = std::max(0, -sy);
        rows.my1 = std::min(mh, h_ - sy);
        // Every plane at the stamp's top-left corner.
        rows.picture = bits_ + sy * stride_ + sx;
        rows.photo = photo_.data() + ptrdiff_t(sy) * w_ + sx;
        rows.mark = touched.mark.data() + ptrdiff_t(sy - stroke.top) * bw + (sx - stroke.left);
        any |= LayStrokeStamp(rows);
    }
    touched.any = any;
}

void StrokePasses::testAndKeep(Stroke& stroke, const TouchedPixels& touched)
{
    if (!touched.any)
        return;
    const int bw = stroke.right - stroke.left;
    int64_t before = 0, after = 0;
    for (int y = stroke.top; y < stroke.bottom; ++y) {
        const gfx::Pixel* row = bits_ + y * stride_;
        const gfx::Pixel* old = touched.saved.data() + size_t(y - stroke.top) * size_t(bw) - stroke.left;
        const gfx::Pixel* src = photo_.data() + size_t(y) * size_t(w_);
        const uint8_t* mark = touched.mark.data() + size_t(y - stroke.top) * size_t(bw) - stroke.left;
        const StrokeErrors e = MarkedRowErrors(old, row, src, mark, stroke.left, stroke.right);
        before += e.before;
        after += e.after;
    }
    const bool kept = double(after) * double(s_.acceptFactor) < double(before);
    if (kept) {
        const int size = StrokeTiles::kSize;
        for (int ty = stroke.top / size; ty <= (stroke.bottom - 1) / size; ++ty)
            for (int tx = stroke.left / size; tx <= (stroke.right - 1) / size; ++tx) {
                int64_t delta = 0;
                for (int y = std::max(stroke.top, ty * size); y < std::min(stroke.bottom, (ty + 1) * size); ++y) {
                    const gfx::Pixel* row = bits_ + y * stride_;
                    const gfx::Pixel* old =
                        touched.saved.data() + size_t(y - stroke.top) * size_t(bw) - stroke.left;
                    const gfx::Pixel* src = photo_.data() + size_t(y) * size_t(w_);
                    delta += RowErrorChange(old, row, src, std::max(stroke.left, tx * size),
                                            std::min(stroke.right, (tx + 1) * size));
                }
                if (delta != 0)
                    tiles_.addError(tiles_.tileOf(tx * size, ty * size), delta);
            }
    } else {
        for (int y = stroke.top; y < stroke.bottom; ++y)
            std::copy_n(touched.saved.data() + size_t(y - stroke.top) * size_t(bw), bw,
                        bits_ + y * stride_ + stroke.left);
    }
    stroke.outcome = kept ? Stroke::Outcome::Kept : Stroke::Outcome::Rejected;
}

void StrokePasses::save(const Stroke& stroke, TouchedPixels& touched) const
{
    const int bw = stroke.right - stroke.left;
    touched.saved.resize(size_t(bw) * size_t(stroke.bottom - stroke.top));
    for (int y = stroke.top; y < stroke.bottom; ++y)
        std::copy_n(bits_ + y * stride_ + stroke.left, bw, touched.saved.data() + size_t(y - stroke.top) * size_t(bw));
}

size_t StrokePasses::generatePass(int pass, int64_t total, platform::Random& rng, std::deque<Stroke>& strokes,
                                  std::vector<Stroke*>& numbered, StrokeQueue& queue)
{
    const int size = StrokeTiles::kSize;
    size_t count = 0;
    for (int64_t k = 0; k < total; ++k) {
        if (k % kStrokesPerCheck == 0)
            CheckCancellation();
        // Growing the deque leaves the strokes being drawn where they are.
        if (strokes.size() <= count)
            strokes.emplace_back();
        Stroke& stroke = strokes[count];
        if (!generate(pass, rng, stroke))
            continue;
        numbered[count] = &stroke;
        if (stroke.right > stroke.left)
            queue.add(int(count), stroke.left / size, stroke.top / size, (stroke.right - 1) / size + 1,
                      (stroke.bottom - 1) / size + 1);
        ++count;
    }
    // The next pass reuses the strokes.
    settlePatch();
    return count;
}

void StrokePasses::drawStroke(Stroke& stroke)
{
    thread_local TouchedPixels touched;
    if (errorTest_)
        save(stroke, touched);
    draw(stroke, touched);
    if (errorTest_)
        testAndKeep(stroke, touched);
}

void StrokePasses::drawQueued(StrokeQueue& queue, const std::vector<Stroke*>& numbered)
{
    try {
        for (int k = queue.take(); k >= 0; k = queue.take()) {
            drawStroke(*numbered[size_t(k)]);
            queue.done(k);
        }
    } catch (...) {
        // Strokes waiting on this one would wait for ever.
        queue.abort();
        throw;
    }
}

void StrokePasses::report(int pass)
{
    const int value = platform::Round(pass * 80.0 / 500.0) + 20;
    if (s_.preview) {
        SafeUpdatePreview(picture_, value);
    } else {
        SafeUpdateProgress(value);
        // A window shows a few pictures a second at most: a small picture's
        // passes would send it hundreds.
        const uint32_t now = platform::TickMs();
        if (pass % 10 == 0 && (!shown_ || now - shownTick_ >= kShownEveryMs)) {
            ShowIntermediateImage(picture_.snapshotReusing(snapshots_), -1, Delivery::Queued);
            shown_ = true;
            shownTick_ = now;
        }
    }
}

void StrokePasses::preparePass(int pass)
{
    if (pass == 50)
        mask_ = &masks_[1];
    if (pass == 400)
        mask_ = &masks_[2];
    if (pass == 15)
        errorTest_ = true;
    if (RecomputesTiles(pass))
        tiles_.computeErrors(bits_, stride_, photo_);
    tiles_.buildWeights();
    CheckCancellation();
    if (pass % 5 == 0)
        report(pass);
}

bool StrokePasses::runPass(int pass, platform::Random& rng, PassStrokes& run)
{
    const int64_t area = int64_t(w_) * h_;
    const int64_t total = (area * s_.strokeMultiplier / kPixelsPerStroke) * (pass >= 400 ? 12 : 1) + 1;
    run.queue.begin(tiles_.columns(), tiles_.rows(), size_t(total));
    run.numbered.resize(std::max(run.numbered.size(), size_t(total)));
    const size_t count = generatePass(pass, total, rng, run.strokes, run.numbered, run.queue);
    run.queue.finish();
    if (!run.queue.drain([&](int k) { drawStroke(*run.numbered[size_t(k)]); }))
        return false;
    // Failures and successes in stroke order, as drawing one after
    // another would leave them.
    for (size_t k = 0; k < count; ++k) {
        const Stroke& stroke = run.strokes[k];
        if (stroke.centreTile < 0 || stroke.outcome == Stroke::Outcome::None)
            continue;
        if (stroke.outcome == Stroke::Outcome::Kept)
            tiles_.succeeded(stroke.centreTile);
        else
            tiles_.failed(stroke.centreTile);
    }
    return true;
}

void StrokePasses::paint(platform::Random& rng)
{
    CheckCancellation();
    tiles_.computeErrors(bits_, stride_, photo_);
    tiles_.buildWeights();
    mask_ = &masks_[0];
    errorTest_ = s_.errorTestFromStart;
    PassStrokes run;
    const std::thread::id runThread = std::this_thread::get_id();
    // Every pool thread can hold one part while the run's thread has not
    // yet taken one; so one of them falls to the run's thread.
    const int parts = platform::ThreadPoolWorkerCount() + 1;
    // Five passes at a time keep the pool's threads: the tiles' errors and
    // the reports, which use the pool themselves, come between.
    for (int first = 0; first < kPasses; first += kPassesPerRound) {
        const int last = std::min(kPasses, first + kPassesPerRound);
        preparePass(first);
        run.queue.open();
        bool generated = false;
        // The random draws stay on the run's thread; the pool threads draw.
        platform::ParallelForRange(0, parts, 1, [&](int, int) {
            if (std::this_thread::get_id() == runThread && !generated) {
                generated = true;
                try {
                    for (int pass = first; pass < last; ++pass) {
                        if (pass > first)
                            preparePass(pass);
                        if (!runPass(pass, rng, run))
                            break;
                    }
                } catch (...) {
                    run.queue.abort();
                    throw;
                }
                run.queue.close();
                return;
            }
            drawQueued(run.queue, run.numbered);
        });
    }
}

} // namespace pq
