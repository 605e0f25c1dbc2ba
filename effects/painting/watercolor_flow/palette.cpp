#include "effects/painting/watercolor_flow/palette.h"

#include "effects/painting/watercolor_flow/noise.h"
#include "engine/runtime/effect_api.h"

#include <algorithm>
#include <cmath>

namespace pq::flow {
namespace {

constexpr int kMaxCells = 4096;
constexpr int kMergePasses = 3;
constexpr int kMergeVotes = 5;
constexpr int kGreyBins = 48;

float Distance(float r0, float g0, float b0, const PaletteEntry& p)
{
    return std::fabs(r0 - p.r) + std::fabs(g0 - p.g) + std::fabs(b0 - p.b);
}

// Box mean of radius r along n values `step` apart, clipped at the ends.
void BoxLine(const float* in, float* out, int n, ptrdiff_t step, int r)
{
    for (int i = 0; i < n; ++i) {
        const int lo = std::max(0, i - r), hi = std::min(n - 1, i + r);
        float sum = 0.0f;
        for (int k = lo; k <= hi; ++k)
            sum += in[k * step];
        out[i * step] = sum / float(hi - lo + 1);
    }
}

} // namespace

float FlowGrid::sample(const std::vector<float>& field, float fx, float fy) const
{
    const int ix = std::clamp(int(fx), 0, gw - 2), iy = std::clamp(int(fy), 0, gh - 2);
    const float tx = std::clamp(fx - float(ix), 0.0f, 1.0f), ty = std::clamp(fy - float(iy), 0.0f, 1.0f);
    const size_t i = size_t(iy) * size_t(gw) + size_t(ix);
    const float top = field[i] + (field[i + 1] - field[i]) * tx;
    const float bottom = field[i + size_t(gw)] + (field[i + size_t(gw) + 1] - field[i + size_t(gw)]) * tx;
    return top + (bottom - top) * ty;
}

FlowGrid CellMeans(const FlowPlanes& planes, int cellSize)
{
    FlowGrid grid;
    grid.cellSize = cellSize;
    grid.gw = int(std::clamp<int64_t>((int64_t(planes.w) + cellSize - 1) / cellSize, 2, kMaxCells));
    grid.gh = int(std::clamp<int64_t>((int64_t(planes.h) + cellSize - 1) / cellSize, 2, kMaxCells));
    for (auto& c : grid.colour)
        c.assign(grid.size(), 0.0f);
    std::vector<int> count(grid.size(), 0);
    for (int y = 0; y < planes.h; ++y) {
        const size_t rowCells = size_t(std::min(y / cellSize, grid.gh - 1)) * size_t(grid.gw);
        for (int x = 0; x < planes.w; ++x) {
            const size_t i = size_t(y) * size_t(planes.w) + size_t(x);
            if (planes.alpha[i] < 128)
                continue;
            const size_t cell = rowCells + size_t(std::min(x / cellSize, grid.gw - 1));
            const gfx::Pixel p = planes.filtered[i];
            grid.colour[0][cell] += float((p >> 16) & 0xFF) / 255.0f;
            grid.colour[1][cell] += float((p >> 8) & 0xFF) / 255.0f;
            grid.colour[2][cell] += float(p & 0xFF) / 255.0f;
            ++count[cell];
        }
    }
    CheckCancellation();
    grid.bin.assign(grid.size(), -1);
    for (size_t cell = 0; cell < grid.size(); ++cell)
        if (count[cell] > 0) {
            for (auto& c : grid.colour)
                c[cell] /= float(count[cell]);
            grid.bin[cell] = 0; // a cell with pixels; binned next
        }
    CheckCancellation();
    return grid;
}

Palette BinCells(FlowGrid& grid, float colourFactor)
{
    Palette palette;
    for (size_t cell = 0; cell < grid.size(); ++cell) {
        if (grid.bin[cell] < 0)
            continue;
        const float r = grid.colour[0][cell], g = grid.colour[1][cell], b = grid.colour[2][cell];
        float h = 0, s = 0, v = 0;
        RgbToHsv(r, g, b, h, s, v);
        const int band = std::clamp(int(4.0f * v), 0, 3);
        const int bin = s >= 0.25f ? (int(h / 30.0f) % 12) * 4 + band : kGreyBins + band;
        grid.bin[cell] = bin;
        PaletteEntry& e = palette[size_t(bin)];
        e.r += r;
        e.g += g;
        e.b += b;
        ++e.count;
    }
    for (PaletteEntry& e : palette) {
        if (e.count <= 0)
            continue;
        float h = 0, s = 0, v = 0;
        RgbToHsv(e.r / float(e.count), e.g / float(e.count), e.b / float(e.count), h, s, v);
        HsvToRgb(h, std::clamp(s * colourFactor, 0.0f, 1.0f), v, e.r, e.g, e.b);
        const float mx = std::max({e.r, e.g, e.b}), mn = std::min({e.r, e.g, e.b});
        const float sat = mx > 0.02f ? (mx - mn) / mx : 0.0f;
        e.density = std::clamp((1.0f - mx) * 0.55f + 0.35f + 0.25f * sat, 0.25f, 1.1f);
        e.chroma = mx * sat;
    }
    CheckCancellation();
    return palette;
}

void MergeBins(FlowGrid& grid, const Palette& palette, float detail)
{
    static constexpr int kDx[8] = {-1, 0, 1, -1, 1, -1, 0, 1};
    static constexpr int kDy[8] = {-1, -1, -1, 0, 0, 1, 1, 1};
    const float threshold = (1.0f - detail) * 0.33f + 0.22f;
    std::vector<int> next;
    for (int pass = 0; pass < kMergePasses; ++pass) {
        next = grid.bin;
        for (int cy = 0; cy < grid.gh; ++cy)
            for (int cx = 0; cx < grid.gw; ++cx) {
                const size_t cell = size_t(cy) * size_t(grid.gw) + size_t(cx);
                const int b = grid.bin[cell];
                if (b < 0)
                    continue;
                int list[8];
                int n = 0;
                for (int k = 0; k < 8; ++k) {
                    const int nx = cx + kDx[k], ny = cy + kDy[k];
                    if (nx < 0 || ny < 0 || nx >= grid.gw || ny >= grid.gh)
                        continue;
                    const int nb = grid.bin[size_t(ny) * size_t(grid.gw) + size_t(nx)];
                    if (nb >= 0)
                        list[n++] = nb;
                }
                int winner = -1, votes = 0;
                for (int k = 0; k < n; ++k) {
                    const int c = int(std::count(list, list + n, list[k]));
                    if (c > votes) {
                        winner = list[k];
                        votes = c;
                    }
                }
                if (winner < 0 || winner == b || votes < kMergeVotes)
                    continue;
                const PaletteEntry& w = palette[size_t(winner)];
                if (Distance(w.r, w.g, w.b, palette[size_t(b)]) < threshold)
                    next[cell] = winner;
            }
        grid.bin.swap(next);
        CheckCancellation();
    }
}

void FinishGrid(FlowGrid& grid, const Palette& palette, int smoothingRadius)
{
    const float paper[3] = {kPaperR, kPaperG, kPaperB};
    for (size_t cell = 0; cell < grid.size(); ++cell) {
        if (grid.bin[cell] < 0) {
            for (int c = 0; c < 3; ++c)
                grid.colour[size_t(c)][cell] = paper[c];
            continue;
        }
        const PaletteEntry& p = palette[size_t(grid.bin[cell])];
        const float r = grid.colour[0][cell], g = grid.colour[1][cell], b = grid.colour[2][cell];
        const float w = std::max(0.35f, 1.0f - 1.5f * Distance(r, g, b, p));
        grid.colour[0][cell] = r + (p.r - r) * w;
        grid.colour[1][cell] = g + (p.g - g) * w;
        grid.colour[2][cell] = b + (p.b - b) * w;
    }
    CheckCancellation();

    std::vector<float> scratch(grid.size());
    for (int c = 0; c < 3; ++c) {
        const std::vector<float>& in = grid.colour[size_t(c)];
        std::vector<float>& out = grid.smoothed[size_t(c)];
        out.assign(grid.size(), 0.0f);
        for (int cy = 0; cy < grid.gh; ++cy)
            BoxLine(in.data() + size_t(cy) * size_t(grid.gw), scratch.data() + size_t(cy) * size_t(grid.gw), grid.gw,
                    1, smoothingRadius);
        for (int cx = 0; cx < grid.gw; ++cx)
            BoxLine(scratch.data() + cx, out.data() + cx, grid.gh, grid.gw, smoothingRadius);
    }

    grid.edge.assign(grid.size(), 0.0f);
    for (int cy = 0; cy < grid.gh; ++cy)
        for (int cx = 0; cx < grid.gw; ++cx) {
            const size_t row = size_t(cy) * size_t(grid.gw);
            const size_t left = row + size_t(std::max(0, cx - 1)), right = row + size_t(std::min(grid.gw - 1, cx + 1));
            const size_t up = size_t(std::max(0, cy - 1)) * size_t(grid.gw) + size_t(cx);
            const size_t down = size_t(std::min(grid.gh - 1, cy + 1)) * size_t(grid.gw) + size_t(cx);
            float sum = 0.0f;
            for (const auto& s : grid.smoothed)
                sum += std::fabs(s[right] - s[left]) + std::fabs(s[down] - s[up]);
            grid.edge[row + size_t(cx)] = std::clamp((sum - 0.08f) / 0.3f, 0.0f, 1.0f);
        }
}

} // namespace pq::flow
