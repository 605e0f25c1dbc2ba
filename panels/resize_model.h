#pragma once

#include <QSize>

#include <array>

namespace pq {

// The numbers of the resize panel: width and height in pixels and in per
// cent of the original size, with an optional aspect-ratio lock. They are
// kept as doubles, because the boxes show whole numbers: a width of 333
// for 1000 x 750 shows the height 250 but confirms 249 (249.75 truncated).
class ResizeModel {
public:
    enum class Box { Width, WidthPercent, Height, HeightPercent };
    static constexpr double kMaxPixels = 20000;
    static constexpr double kMaxPercent = 1000;

    // The size the percentages refer to; the boxes show it at 100 %.
    void setInitialSize(int width, int height);

    // The user entered a value into a box: the box takes it (clamped to its
    // range) and the others follow.
    void edit(Box box, double value);
    // Turning the lock on makes the height follow the width again; turning
    // it off changes no value.
    void setLocked(bool locked);
    bool locked() const { return locked_; }

    double value(Box box) const { return values_[indexOf(box)]; }
    // What a box shows: its value rounded, halves to even.
    int shown(Box box) const;
    static double maximum(Box box);
    // The confirmed size: both pixel values truncated.
    QSize confirmedSize() const;
    double aspectRatio() const { return aspectRatio_; }

private:
    static int indexOf(Box box) { return static_cast<int>(box); }
    void set(Box box, double value);
    // Both original sides are sizes: the lock keeps their proportion.
    bool proportional() const { return originalWidth_ > 0 && originalHeight_ >= 1; }
    double heightFor(double width) const;
    double widthFor(double height) const;

    std::array<double, 4> values_{};
    int originalWidth_ = 0;
    int originalHeight_ = 0;
    double aspectRatio_ = 1.0;
    bool locked_ = true;
};

} // namespace pq
