// The watercolour painter's regrowth: a checked patch whose seed search
// picks another draw grows again while the check goes on, its spokes shared
// out between the threads that serve the batch's regrowth and the check,
// which helps when a look needs the patch.

#include "effects/painting/watercolor/spoke_painter.h"

#include <algorithm>

namespace pq {

void SpokePainter::regrowLater(int k)
{
    Plan& pk = current_.plans[size_t(k)];
    // Every step takes at least 2 off the budget, so no spoke gets past
    // half the largest; a pixel spare each way for the rounded outline.
    const int reach = *std::max_element(pk.budgets.begin(), pk.budgets.end()) / 2 + 3;
    pk.bound = QRect(pk.x - reach, pk.y - reach, 2 * reach + 1, 2 * reach + 1).intersected(QRect(0, 0, w_, h_));
    pk.regrowing = true;
    pk.hasShape = false;
    pk.commit = false;
    pk.lengths.resize(size_t(s_.spokeCount));
    RegrowSpokes& spokes = regrowSpokes_[size_t(k)];
    spokes.grown.store(0, std::memory_order_relaxed);
    spokes.started.store(0, std::memory_order_relaxed);
    // Nobody grows the patch whole any more.
    growth_[size_t(k)].store(kGrowing, std::memory_order_relaxed);
    const int n = regrowCount_.load(std::memory_order_relaxed);
    regrowth_[size_t(n)] = k;
    regrowCount_.store(n + 1, std::memory_order_release);
    changed_.notify();
}

void SpokePainter::helpRegrow(int k)
{
    Plan& pk = current_.plans[size_t(k)];
    RegrowSpokes& spokes = regrowSpokes_[size_t(k)];
    const int n = s_.spokeCount;
    for (;;) {
        const int spoke = spokes.started.fetch_add(1, std::memory_order_relaxed);
        if (spoke >= n)
            return;
        growSpoke(pk, spoke);
        // The last spoke's thread sees every length.
        if (spokes.grown.fetch_add(1, std::memory_order_acq_rel) == n - 1) {
            shapeFrom(pk);
            growth_[size_t(k)].store(kGrown, std::memory_order_release);
            changed_.notify();
        }
    }
}

void SpokePainter::awaitRegrown(int k)
{
    helpRegrow(k);
    changed_.waitUntil([&] { return growth_[size_t(k)].load(std::memory_order_acquire) == kGrown; });
}

bool SpokePainter::helpOldestRegrowth()
{
    int taken = regrowTaken_.load(std::memory_order_acquire);
    if (taken >= regrowCount_.load(std::memory_order_acquire))
        return false;
    helpRegrow(regrowth_[size_t(taken)]);
    // Every spoke of it has started.
    regrowTaken_.compare_exchange_strong(taken, taken + 1, std::memory_order_acq_rel);
    return true;
}

// Helps with regrowth until the check is done.
void SpokePainter::serveRegrowth()
{
    for (;;) {
        if (helpOldestRegrowth())
            continue;
        if (!checking_.load(std::memory_order_acquire))
            return;
        changed_.waitUntil([this] {
            return !checking_.load(std::memory_order_acquire) ||
                   regrowTaken_.load(std::memory_order_acquire) < regrowCount_.load(std::memory_order_acquire);
        });
    }
}

bool SpokePainter::awaitRegrowth()
{
    bool within = true;
    const int count = regrowCount_.load(std::memory_order_relaxed);
    for (int i = 0; i < count; ++i) {
        const int k = regrowth_[size_t(i)];
        awaitRegrown(k);
        Plan& pk = current_.plans[size_t(k)];
        pk.regrowing = false;
        within = within && (!pk.hasShape || pk.bound.contains(pk.shape.box()));
    }
    checking_.store(false, std::memory_order_release);
    changed_.notify();
    return within;
}

} // namespace pq
