#pragma once

// Shapes centred on a pixel centre, row by row. With the centre at
// (X + 0.5, Y + 0.5) the offsets of a pixel centre from it are whole
// numbers, worked out exactly, so whether the square or disc test takes a
// pixel depends on the offsets alone: the pixels one size and rotation
// samples, found once by the shape test itself, hold for every such centre
// whose pixel box the picture does not clip. A triangle's corners are
// rounded to the float grid around the centre, the same for every centre
// whose corners and centre share their binades, so its tables are kept per
// pair of binades.

#include "effects/stylize/space_filling/placement_context.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

namespace pq::stylize {

class ShapeRows {
public:
    // First and last sampled column offset of a lattice row; first > last
    // when it samples none.
    struct Run {
        int first, last;
    };

    // `box` holds the offsets of the pixel box from the centre's pixel;
    // lattice rows and columns are offsets box.y1 (box.x1), + step, ...;
    // inside(dx, dy) is the shape test of the pixel at those offsets.
    template <typename Inside>
    void build(const PixelBox& box, int step, Inside&& inside)
    {
        box_ = box;
        step_ = step;
        coreCount_ = -1;
        usable_ = !box.empty();
        const int rows = usable_ ? (box.y2 - box.y1) / step + 1 : 0;
        runs_.assign(size_t(rows), Run{1, 0});
        for (int j = 0; j < rows; ++j) {
            const int dy = box.y1 + j * step;
            Run& run = runs_[size_t(j)];
            bool before = false;
            for (int dx = box.x1; dx <= box.x2; dx += step) {
                const bool in = inside(dx, dy);
                if (in && !before) {
                    if (run.first <= run.last)
                        usable_ = false; // a second run in one row
                    run.first = dx;
                }
                if (in)
                    run.last = dx;
                before = in;
            }
        }
    }

    // The rows the core test of a seed reads, by offset: lattice row dy,
    // columns first..last, in the order it reads them.
    struct CoreRow {
        int dy, first, last;
    };
    void setCore(const CoreRow* rows, int count)
    {
        coreCount_ = count;
        for (int i = 0; i < count; ++i)
            core_[i] = rows[i];
    }
    // False when the core test could not be put in offsets.
    bool coreKnown() const { return coreCount_ >= 0; }
    int coreCount() const { return coreCount_; }
    const CoreRow& coreRow(int i) const { return core_[i]; }

    // False when some row's pixels do not form one run.
    bool usable() const { return usable_; }
    // The pixel box of the shape centred on pixel (x, y).
    PixelBox boxAt(int x, int y) const { return {x + box_.x1, y + box_.y1, x + box_.x2, y + box_.y2}; }
    int step() const { return step_; }
    int rows() const { return int(runs_.size()); }
    const Run& row(int j) const { return runs_[size_t(j)]; }

private:
    PixelBox box_;
    int step_ = 1;
    CoreRow core_[3]{};
    int coreCount_ = -1;
    bool usable_ = false;
    std::vector<Run> runs_;
};

// The rows of a square of half side `half` turned by (cosR, sinR), and of
// a disc of radius r, sampled every `step` pixels in a box reaching
// `reach` pixels left of and above the centre's pixel and reach + 1 right
// of and below it.
inline void BuildSquareRows(ShapeRows& rows, int reach, int step, float half, float cosR, float sinR)
{
    rows.build({-reach, -reach, reach + 1, reach + 1}, step, [&](int dx, int dy) {
        return PointInSquare(float(dx) + 0.5f, float(dy) + 0.5f, 0.5f, 0.5f, half, cosR, sinR);
    });
}

inline void BuildDiscRows(ShapeRows& rows, int reach, int step, float r)
{
    rows.build({-reach, -reach, reach + 1, reach + 1}, step,
               [&](int dx, int dy) { return PointInCircle(float(dx) + 0.5f, float(dy) + 0.5f, 0.5f, 0.5f, r); });
}

// The binade [2^k, 2^(k + 1)) that holds every coordinate within `reach`
// of c, k from 0 to 20 (a float grid finer than half a pixel), or -1.
inline int BinadeAround(float c, float reach)
{
    const float lo = c - reach, hi = c + reach;
    if (!(lo >= 1.0f && hi < float(1 << 21)))
        return -1;
    const int k = std::ilogb(lo);
    return std::ilogb(hi) == k ? k : -1;
}

// The rows of the triangle with corners t around the centre (x + 0.5,
// y + 0.5), whose corners lie in the centre's binades, within `box` (in
// pixels), sampled every `step` pixels.
inline void BuildTriangleRows(ShapeRows& rows, const PixelBox& box, int step, int x, int y, const TriangleCorners& t)
{
    rows.build({box.x1 - x, box.y1 - y, box.x2 - x, box.y2 - y}, step, [&](int dx, int dy) {
        return PointInCorners(float(x + dx) + 0.5f, float(y + dy) + 0.5f, t);
    });
}

// The shape rows one thread asked for lately, by shape, size and rotation.
// A table is built the second time its shape is asked for, so that shapes
// drawn at a new angle each time cost a look-up and no table.
class ShapeRowsCache {
public:
    // `kind` tells the shape apart, and for triangles its binades.
    struct Key {
        uint32_t kind, size, cosR, sinR;
        bool operator==(const Key&) const = default;
    };
    static Key KeyOf(uint32_t kind, float size, float cosR, float sinR)
    {
        return {kind, std::bit_cast<uint32_t>(size), std::bit_cast<uint32_t>(cosR), std::bit_cast<uint32_t>(sinR)};
    }

    // The usable table of `key`, built by build(ShapeRows&), or null.
    // Shapes are mostly asked for in the same order again (the rotations of
    // each seed), so each entry remembers the one asked for after it, and
    // that one is tried first.
    template <typename Build>
    const ShapeRows* find(const Key& key, Build&& build)
    {
        int found = -1;
        const int guess = entries_[last_].next;
        if (entries_[guess].state != State::Empty && entries_[guess].key == key) {
            found = guess;
        } else {
            for (int i = 0; i < kCapacity; ++i)
                if (entries_[i].state != State::Empty && entries_[i].key == key) {
                    found = i;
                    break;
                }
        }
        if (found < 0) {
            found = next_;
            next_ = (next_ + 1) % kCapacity;
            entries_[found].key = key;
            entries_[found].state = State::Seen;
            entries_[last_].next = found;
            last_ = found;
            return nullptr;
        }
        entries_[last_].next = found;
        last_ = found;
        Entry& e = entries_[found];
        if (e.state == State::Seen) {
            build(e.rows);
            e.state = e.rows.usable() ? State::Built : State::Unusable;
        }
        return e.state == State::Built ? &e.rows : nullptr;
    }

private:
    static constexpr int kCapacity = 64;
    enum class State : uint8_t { Empty, Seen, Built, Unusable };
    struct Entry {
        Key key{};
        State state = State::Empty;
        int next = 0;
        ShapeRows rows;
    };
    Entry entries_[kCapacity];
    int last_ = 0, next_ = 0;
};

} // namespace pq::stylize
