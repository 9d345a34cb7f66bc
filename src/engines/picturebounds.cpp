#include "engines/picturebounds.h"

#include <cmath>

double PictureBounds::aspect(double ratio)
{
    return std::isfinite(ratio) && ratio >= MinimumAspect && ratio <= MaximumAspect ? ratio : 0.0;
}

int PictureBounds::side(int pixels)
{
    return pixels >= 0 && pixels <= MaximumSide ? pixels : 0;
}

int PictureBounds::displayWidth(int height, double ratio)
{
    // Both bounded, the product stays far inside an int.
    return int(side(height) * aspect(ratio));
}
