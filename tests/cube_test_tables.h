#pragma once

// .cube texts built in code for the LUT tests.

#include <QByteArray>

#include <cstdio>
#include <functional>

namespace cubetest {

struct Entry {
    double r, g, b;
};

// A table of edge n whose entry at grid point (i, j, k) is fn(i, j, k),
// rows red fastest, with an optional header before the size line.
inline QByteArray CubeText(int n, const std::function<Entry(int, int, int)>& fn, const QByteArray& header = {})
{
    QByteArray text = header;
    text += "LUT_3D_SIZE " + QByteArray::number(n) + "\n";
    char line[128];
    for (int k = 0; k < n; ++k)
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) {
                const Entry e = fn(i, j, k);
                std::snprintf(line, sizeof line, "%.9g %.9g %.9g\n", e.r, e.g, e.b);
                text += line;
            }
    return text;
}

inline QByteArray IdentityCube(int n)
{
    return CubeText(n, [n](int i, int j, int k) {
        const double d = n > 1 ? double(n - 1) : 1.0;
        return Entry{i / d, j / d, k / d};
    });
}

// Edge 2 with red corners T[i + 2j + 4k], green 1 - red, blue 0.25.
inline const double kCorner[8] = {0.0, 0.9, 0.3, 0.1, 0.5, 0.2, 0.8, 1.0};
inline QByteArray CornerCube()
{
    return CubeText(2, [](int i, int j, int k) {
        const double v = kCorner[i + 2 * j + 4 * k];
        return Entry{v, 1.0 - v, 0.25};
    });
}

} // namespace cubetest
