#include "effects/photolab/finishing_chain.h"

#include "gfx/luma.h"

#include <cmath>

namespace pq {

std::array<float, 20> AdjustmentColorMatrix(float ob, float fc, float fs)
{
    std::array<float, 20> m{};
    m[0] = m[6] = m[12] = m[18] = 1.0f;
    if (std::fabs(fc - 1.0f) > 0.001f) {
        const float offset = float((1.0 - double(fc)) * 0.5);
        for (int row = 0; row < 3; ++row) {
            m[size_t(row * 5 + row)] = fc;
            m[size_t(row * 5 + 4)] = offset;
        }
    }
    if (std::fabs(ob) > 0.001f)
        for (int row = 0; row < 3; ++row)
            m[size_t(row * 5 + 4)] += ob;
    if (std::fabs(fs - 1.0f) > 0.001f) {
        const double s = fs, k = 1.0 - s;
        const std::array<double, 3>& luma = gfx::kLuma709Rounded;
        double sat[3][3];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                sat[i][j] = float(luma[j] * k + (i == j ? s : 0.0));
        // Saturation after the matrix so far: rows R, G, B become sat x m;
        // the alpha row stays.
        std::array<float, 20> product = m;
        for (int i = 0; i < 3; ++i)
            for (int col = 0; col < 5; ++col) {
                double v = 0.0;
                for (int j = 0; j < 3; ++j)
                    v += sat[i][j] * double(m[size_t(j * 5 + col)]);
                product[size_t(i * 5 + col)] = float(v);
            }
        m = product;
    }
    return m;
}

gfx::Image ApplyFinishingChain(const gfx::Image& image, const std::array<float, 20>& matrix, float blurSigma,
                               float sharpenK, gfx::EdgeMode blurEdge)
{
    const gfx::Image coloured = gfx::ColorMatrix(image, matrix);
    if (coloured.isNull())
        return {};
    if (blurSigma > 0.0f)
        return gfx::GaussianBlur(coloured, blurSigma, blurSigma, blurEdge);
    if (sharpenK > 0.0f) {
        const float k = sharpenK;
        return gfx::Convolve3x3(coloured, {0.0f, -k, 0.0f, -k, 1.0f + 4.0f * k, -k, 0.0f, -k, 0.0f}, 1.0f, 0.0f,
                                true, gfx::EdgeMode::Clamp);
    }
    return coloured;
}

} // namespace pq
