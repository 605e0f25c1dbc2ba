#include "engine_test_support.h"

namespace pqtest {

gfx::Image SolidImage(int w, int h, const QColor& color)
{
    gfx::Surface s = gfx::Surface::make(w, h);
    s.clear(color);
    return s.snapshot();
}

} // namespace pqtest
