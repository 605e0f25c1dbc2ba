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
    values_[Index(box)] = std::isfinite(value) ? std::clamp(value, 0.0, maximum(box)) : 0.0;
}

void ResizeModel::edit(Box box, double value)
{
    set(box, value);
    value = this->value(box);
    const double p = value / 100;
    switch (box) {
    case Box::Width:
        if (locked_)
            set(Box::Height, value / aspectRatio_);
        if (originalWidth_ > 0) {
            set(Box::WidthPercent, value / originalWidth_ * 100);
            if (locked_)
                set(Box::HeightPercent, this->value(Box::WidthPercent));
        }
        break;
    case Box::Height:
        if (locked_)
            set(Box::Width, value * aspectRatio_);
        if (originalHeight_ > 0) {
            set(Box::HeightPercent, value / originalHeight_ * 100);
            if (locked_)
                set(Box::WidthPercent, this->value(Box::HeightPercent));
        }
        break;
    case Box::WidthPercent:
        set(Box::Width, originalWidth_ * p);
        if (locked_) {
            set(Box::Height, originalWidth_ * p / aspectRatio_);
            set(Box::HeightPercent, value);
        }
        break;
    case Box::HeightPercent:
        set(Box::Height, originalHeight_ * p);
        if (locked_) {
            set(Box::Width, originalHeight_ * p * aspectRatio_);
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
