#include "panels/resize_model.h"

#include "platform/numeric.h"

#include <algorithm>
#include <cmath>

namespace pq {

void ResizeModel::setInitialSize(int width, int height)
{
    originalWidth_ = width;
    originalHeight_ = height;
    aspectRatio_ = height < 1 ? 1.0 : double(width) / height;
    set(Box::Width, width);
    set(Box::Height, height);
    set(Box::WidthPercent, 100);
    set(Box::HeightPercent, 100);
}

double ResizeModel::maximum(Box box)
{
    return box == Box::Width || box == Box::Height ? kMaxPixels : kMaxPercent;
}

void ResizeModel::set(Box box, double value)
{
    values_[indexOf(box)] = std::isfinite(value) ? std::clamp(value, 0.0, maximum(box)) : 0.0;
}

// With the lock, one side follows the other by the aspect ratio. The
// products come first and the division last, so that whole sizes stay
// whole (720 x 477: a width of 720 gives 477, not 476.99999...).
double ResizeModel::heightFor(double width) const
{
    return proportional() ? width * originalHeight_ / originalWidth_ : width / aspectRatio_;
}

double ResizeModel::widthFor(double height) const
{
    return proportional() ? height * originalWidth_ / originalHeight_ : height * aspectRatio_;
}

void ResizeModel::edit(Box box, double value)
{
    set(box, value);
    value = this->value(box);
    switch (box) {
    case Box::Width:
        if (locked_)
            set(Box::Height, heightFor(value));
        if (originalWidth_ > 0) {
            set(Box::WidthPercent, value * 100 / originalWidth_);
            if (locked_)
                set(Box::HeightPercent, this->value(Box::WidthPercent));
        }
        break;
    case Box::Height:
        if (locked_)
            set(Box::Width, widthFor(value));
        if (originalHeight_ > 0) {
            set(Box::HeightPercent, value * 100 / originalHeight_);
            if (locked_)
                set(Box::WidthPercent, this->value(Box::HeightPercent));
        }
        break;
    case Box::WidthPercent:
        set(Box::Width, originalWidth_ * value / 100);
        if (locked_) {
            set(Box::Height, proportional() ? originalHeight_ * value / 100 : heightFor(originalWidth_ * value / 100));
            set(Box::HeightPercent, value);
        }
        break;
    case Box::HeightPercent:
        set(Box::Height, originalHeight_ * value / 100);
        if (locked_) {
            set(Box::Width, proportional() ? originalWidth_ * value / 100 : widthFor(originalHeight_ * value / 100));
            set(Box::WidthPercent, value);
        }
        break;
    }
}

void ResizeModel::setLocked(bool locked)
{
    locked_ = locked;
    if (locked)
        edit(Box::Width, value(Box::Width));
}

int ResizeModel::shown(Box box) const
{
    return platform::Round(value(box));
}

QSize ResizeModel::confirmedSize() const
{
    return QSize(platform::Trunc(value(Box::Width)), platform::Trunc(value(Box::Height)));
}

} // namespace pq
