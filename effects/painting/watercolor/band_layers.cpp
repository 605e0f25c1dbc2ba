#include "effects/painting/watercolor/band_layers.h"

#include "effects/painting/watercolor/patch_fill.h"
#include "platform/cpu_hints.h"

#include <algorithm>

namespace pq {
namespace {

// Rows ahead whose stretch a patch row asks for.
constexpr int kRowsAhead = 3;

} // namespace

namespace {

// The first interval of hidden that ends beyond x.
BandLayers::Intervals::const_iterator EndingBeyond(const BandLayers::Intervals& hidden, int x)
{
    return std::upper_bound(hidden.begin(), hidden.end(), x,
                            [](int v, const std::pair<int, int>& i) { return v < i.second; });
}

} // namespace

bool BandLayers::covers(const Intervals& hidden, int x0, int x1)
{
    const auto it = EndingBeyond(hidden, x0);
    return it != hidden.end() && it->first <= x0 && it->second >= x1;
}

void BandLayers::hide(Intervals& hidden, int x0, int x1)
{
    // The intervals [x0, x1) meets or touches become one.
    auto first = std::lower_bound(hidden.begin(), hidden.end(), x0,
                                  [](const std::pair<int, int>& i, int v) { return i.second < v; });
    auto last = first;
    while (last != hidden.end() && last->first <= x1) {
        x0 = std::min(x0, last->first);
        x1 = std::max(x1, last->second);
        ++last;
    }
    if (first == last) {
        hidden.insert(first, {x0, x1});
        return;
    }
    *first = {x0, x1};
    hidden.erase(first + 1, last);
}

// The rows of one patch, later patches already noted: what of them shows,
// and (opaque paint) what they hide of earlier ones.
void BandLayers::note(const BandPatch& p, int y0, int y1, bool opaque)
{
    const PolygonCoverage& shape = *p.shape;
    const QRect& box = shape.box();
    const int top = std::max(y0, box.top()), end = std::min(y1, box.bottom() + 1);
    const int left = box.left();
    bool selected = false;
    for (int y = top; y < end; ++y) {
        Intervals& hidden = hidden_[size_t(y - y0)];
        if (covers(hidden, left, box.right() + 1))
            continue;
        if (!selected) {
            shape.selectRows(top, end, scratch_);
            selected = true;
        }
        // Only a hidden stretch makes the outline's reach worth looking at.
        int span0 = 0, span1 = 0;
        if (!hidden.empty() &&
            (!shape.selectedSpan(y, scratch_, span0, span1) || covers(hidden, left + span0, left + span1)))
            continue;
        shape.selectedRow(y, scratch_);
        const size_t first = pieces_.size();
        int opaque0 = 0, opaque1 = 0; // the widest opaque run
        // Runs and hidden intervals both go left to right.
        auto it = hidden.cbegin();
        for (const CoverageRun& r : scratch_.runs) {
            if (r.value == 0)
                continue;
            const int x0 = left + r.x0, x1 = left + r.x1;
            const uint8_t* cov = scratch_.cov.data() + r.x0;
            auto add = [&](int a, int b) {
                Piece piece{a, b, r.value, 0};
                if (r.value < 0) {
                    piece.cov = bytes_.size();
                    bytes_.insert(bytes_.end(), cov + (a - x0), cov + (b - x0));
                }
                pieces_.push_back(piece);
            };
            while (it != hidden.cend() && it->second <= x0)
                ++it;
            int from = x0;
            for (auto h = it; h != hidden.cend() && h->first < x1 && from < x1; ++h) {
                if (h->first > from)
                    add(from, h->first);
                from = std::max(from, h->second);
            }
            if (from < x1)
                add(from, x1);
            if (opaque && r.value == 255 && x1 - x0 > opaque1 - opaque0) {
                opaque0 = x0;
                opaque1 = x1;
            }
        }
        if (pieces_.size() > first)
            rows_.push_back({y, first, pieces_.size()});
        if (opaque1 > opaque0)
            hide(hidden, opaque0, opaque1);
    }
}

void BandLayers::lay(std::span<const BandPatch> patches, int y0, int y1, bool erase, gfx::Pixel* bits,
                     qsizetype stride, const std::function<void()>* between)
{
    if (patches.empty() || y1 <= y0)
        return;
    // With no opaque patch after the first nothing is hidden: rows go down
    // as they come.
    const bool hides = std::any_of(patches.begin() + 1, patches.end(),
                                   [](const BandPatch& p) { return (p.paint >> 24) == 255; });
    if (!hides) {
        for (const BandPatch& p : patches) {
            if (between)
                (*between)();
            const QRect& box = p.shape->box();
            const int top = std::max(y0, box.top()), end = std::min(y1, box.bottom() + 1);
            p.shape->selectRows(top, end, scratch_);
            for (int y = top; y < end; ++y) {
                p.shape->selectedRow(y, scratch_);
                gfx::Pixel* row = bits + y * stride;
                if (erase)
                    FillCoveredRow(*p.shape, p.paint, row, scratch_,
                                   y + kRowsAhead < end ? bits + (y + kRowsAhead) * stride : nullptr);
                else
                    CommitCoveredRow(*p.shape, p.paint, row, scratch_);
            }
        }
        return;
    }
    hidden_.resize(size_t(y1 - y0));
    for (Intervals& h : hidden_)
        h.clear();
    pieces_.clear();
    bytes_.clear();
    rows_.clear();
    patchRows_.clear();
    for (size_t k = patches.size(); k-- > 0;) {
        if (between)
            (*between)();
        patchRows_.push_back(rows_.size());
        note(patches[k], y0, y1, (patches[k].paint >> 24) == 255);
    }
    patchRows_.push_back(rows_.size());
    // The shown pieces, patch after patch.
    for (size_t k = 0; k < patches.size(); ++k) {
        if (between)
            (*between)();
        const gfx::Pixel paint = patches[k].paint;
        const size_t g = patches.size() - 1 - k;
        const size_t first = patchRows_[g], end = patchRows_[g + 1];
        for (size_t r = first; r < end; ++r) {
            const LaidRow& row = rows_[r];
            gfx::Pixel* out = bits + row.y * stride;
            for (size_t i = row.first; i < row.end; ++i) {
                const Piece& piece = pieces_[i];
                const uint8_t* cov = bytes_.data() + piece.cov;
                if (erase)
                    FillSpan(paint, piece.value, cov, out + piece.x0, piece.x1 - piece.x0);
                else
                    CommitSpan(paint, piece.value, cov, out + piece.x0, piece.x1 - piece.x0);
            }
            // Nearby rows cover about the same stretch.
            if (erase && r + kRowsAhead < end) {
                const LaidRow& ahead = rows_[r + kRowsAhead];
                gfx::Pixel* at = bits + ahead.y * stride;
                platform::PrefetchForWrite(at + pieces_[ahead.first].x0);
                platform::PrefetchForWrite(at + pieces_[ahead.end - 1].x1 - 1);
            }
        }
    }
}

} // namespace pq
